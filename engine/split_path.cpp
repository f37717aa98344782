#include "engine/split_path.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

int SplitPath(std::string path, std::string& folder, std::string& baseName, std::string& extension)
{
    if (path.empty())
        return 0;
    extension.clear();
    folder.clear();

    for (size_t i = path.size(); i-- > 0;) {
        if (IsSeparator(path[i]))
            break;
        if (path[i] == '.') {
            extension = path.substr(i + 1);
            path.erase(i);
            break;
        }
    }

    for (size_t i = path.size(); i-- > 0;) {
        if (IsSeparator(path[i])) {
            baseName = path.substr(i + 1);
            folder = path.substr(0, i);
            return 1;
        }
    }
    baseName = path;
    return 1;
}
