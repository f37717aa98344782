#include "engine/paths.h"

#include <algorithm>
#include <cwchar>

LeadBytes::LeadBytes(const unsigned char* ranges, size_t size)
{
    for (size_t i = 0; i + 1 < size && (ranges[i] || ranges[i + 1]); i += 2)
        for (unsigned c = ranges[i]; c <= ranges[i + 1]; ++c)
            m_lead.set(c);
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where the character starting at i ends: a lead byte takes the next byte with it.
static size_t NextChar(const std::string& text, size_t i, const LeadBytes& lead)
{
    return lead(text[i]) && i + 1 < text.size() ? i + 2 : i + 1;
}

int SplitPath(std::string path, std::string& folder, std::string& baseName, std::string& extension,
              const LeadBytes& lead)
{
    if (path.empty())
        return 0;
    extension.clear();
    folder.clear();

    // A double-byte text can only be walked forwards: find the last separator
    // and the last dot, then take the dot only if no separator follows it.
    const size_t none = std::string::npos;
    size_t separator = none, dot = none;
    for (size_t i = 0; i < path.size(); i = NextChar(path, i, lead)) {
        if (IsSeparator(path[i]))
            separator = i;
        else if (path[i] == '.')
            dot = i;
    }
    if (dot != none && (separator == none || dot > separator)) {
        extension = path.substr(dot + 1);
        path.erase(dot);
    }

    if (separator != none) {
        baseName = path.substr(separator + 1);
        folder = path.substr(0, separator);
    } else {
        baseName = path;
    }
    return 1;
}

void StripTrailingBackslashes(std::string& path, const LeadBytes& lead)
{
    size_t end = 0;  // just past the last character that is not a backslash
    for (size_t i = 0; i < path.size();) {
        size_t next = NextChar(path, i, lead);
        if (path[i] != '\\')
            end = next;
        i = next;
    }
    path.erase(end);
}

bool IsPlainFileName(const std::wstring& name)
{
    if (name.empty() || name.back() == L'.' || name.back() == L' ')  // ".." too
        return false;
    if (std::any_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x20 || wcschr(L"\\/:*?\"<>|", c); }))
        return false;

    // A device whatever its extension and blanks, up to Windows 10.
    std::wstring base = name.substr(0, name.find(L'.'));
    base.erase(base.find_last_not_of(L' ') + 1);
    for (wchar_t& c : base)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == device)
            return false;
    const bool port = base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0);
    if (port && wcschr(L"0123456789\u00B9\u00B2\u00B3", base[3]))
        return false;

    // Shaped like a short name (LONGPL~1.8BF, A~B~C~~1.8BF), it may open another
    // file whose short name it is.
    const size_t stem = std::min(name.rfind(L'.'), name.size());
    bool tildeDigit = false;
    for (size_t i = 0; i + 1 < stem; ++i)
        tildeDigit = tildeDigit || (name[i] == L'~' && name[i + 1] >= L'0' && name[i + 1] <= L'9');
    return !(stem <= 8 && name.size() - stem <= 4 && tildeDigit);
}

bool IsLinkTag(unsigned long tag)
{
    return (tag & 0x20000000) != 0;  // the name-surrogate bit
}
