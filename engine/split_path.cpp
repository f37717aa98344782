#include "engine/split_path.h"

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
