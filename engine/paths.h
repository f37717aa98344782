// The rules for paths and names, pure: no system call, so the host tests run them.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>

// The bytes that start a two-byte character in an ANSI code page; none in a
// single-byte one. In code pages 932, 936, 949 and 950 the byte after a lead
// byte can be 0x5C, the backslash, so paths are walked a character at a time.
class LeadBytes {
public:
    LeadBytes() = default;
    // Pairs of first and last lead byte, ended by a pair of zeros or by size.
    LeadBytes(const unsigned char* ranges, size_t size);
    bool operator()(char c) const { return m_lead[static_cast<unsigned char>(c)]; }

private:
    std::bitset<256> m_lead;
};

// Splits a path into folder, base name and extension; '\' and '/' both separate.
// path is taken by value, so an output may be the variable it was copied from.
// Returns 0 for an empty path, leaving the outputs alone; 1 otherwise.
int SplitPath(std::string path, std::string& folder, std::string& baseName, std::string& extension,
              const LeadBytes& lead);

// Removes every backslash that ends path (not the second byte of a character).
void StripTrailingBackslashes(std::string& path, const LeadBytes& lead);

// A file name that reaches the file system as itself when joined to a folder:
// one component, no character Windows forbids, no trailing dot or blank (which
// Windows drops, so "a.8bf." would open "a.8bf"), not a device (NUL.8bf), and
// not shaped like another file's short name (LONGPL~1.8BF).
bool IsPlainFileName(const std::wstring& name);

// Whether a reparse point with this tag leads elsewhere: junctions, mount
// points, symbolic and WSL links. Cloud-files placeholders, compressed and
// deduplicated files carry reparse points too, but are files where they stand.
bool IsLinkTag(unsigned long tag);
