#pragma once

#include <string>

namespace devsim {

// Replaces a file so that a crash at any moment leaves either the old or the
// new content, and once replace() returns the new content survives a power
// loss: a temporary file beside the target, readable by its owner only, flushed
// to disk before it is renamed over the target, and the folder flushed after.
class DurableFile
{
public:
    // Throws std::runtime_error; the target is then untouched and no temporary file is left.
    static void replace(const std::string& strPath, const std::string& strContent);
    // Writes without flushing (the rename still keeps the file whole): for comparisons only.
    static void replaceWithoutFlush(const std::string& strPath, const std::string& strContent);

private:
    static void write(const std::string& strPath, const std::string& strContent, bool bFlush);
};

} // namespace devsim
