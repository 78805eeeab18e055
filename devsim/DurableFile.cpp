#include "DurableFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace devsim {

namespace {

// The standard library has no way to flush a file or a folder to disk, nor to
// create a file readable by its owner only: these few calls are the system's.
#if defined(_WIN32)
int openPrivate(const std::string& strPath)
{
    return ::_open(strPath.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}
bool writeAll(int nFile, const char* pData, size_t nSize)
{
    while (nSize > 0) {
        const int nWritten = ::_write(nFile, pData, unsigned(std::min<size_t>(nSize, 1u << 30)));
        if (nWritten <= 0)
            return false;
        pData += nWritten;
        nSize -= size_t(nWritten);
    }
    return true;
}
bool flushFile(int nFile) { return ::_commit(nFile) == 0; }
bool closeFile(int nFile) { return ::_close(nFile) == 0; }
void flushFolder(const std::filesystem::path&) {} // NTFS commits the rename with the file
#else
int openPrivate(const std::string& strPath)
{
    const int nFile = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    // A temporary file left by an earlier run keeps its mode through O_CREAT.
    if (nFile >= 0 && ::fchmod(nFile, S_IRUSR | S_IWUSR) != 0) {
        ::close(nFile);
        return -1;
    }
    return nFile;
}
bool writeAll(int nFile, const char* pData, size_t nSize)
{
    while (nSize > 0) {
        const ssize_t nWritten = ::write(nFile, pData, nSize);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        pData += nWritten;
        nSize -= size_t(nWritten);
    }
    return true;
}
bool flushFile(int nFile) { return ::fsync(nFile) == 0; }
bool closeFile(int nFile) { return ::close(nFile) == 0; }
void flushFolder(const std::filesystem::path& folder)
{
    const int nFolder = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFolder < 0)
        throw std::runtime_error("cannot open folder " + folder.string() + ": " + std::strerror(errno));
    const bool bFlushed = ::fsync(nFolder) == 0;
    ::close(nFolder);
    if (!bFlushed)
        throw std::runtime_error("cannot flush folder " + folder.string());
}
#endif

} // namespace

void DurableFile::replace(const std::string& strPath, const std::string& strContent)
{
    write(strPath, strContent, true);
}

void DurableFile::replaceWithoutFlush(const std::string& strPath, const std::string& strContent)
{
    write(strPath, strContent, false);
}

void DurableFile::write(const std::string& strPath, const std::string& strContent, bool bFlush)
{
    const std::string strTemporary = strPath + ".tmp";
    try {
        const int nFile = openPrivate(strTemporary);
        if (nFile < 0)
            throw std::runtime_error("cannot create " + strTemporary + ": " + std::strerror(errno));
        const bool bWritten = writeAll(nFile, strContent.data(), strContent.size()) && (!bFlush || flushFile(nFile));
        // A write error may show only when the file is closed.
        if (!closeFile(nFile) || !bWritten)
            throw std::runtime_error("cannot write " + strTemporary);
        std::filesystem::rename(strTemporary, strPath);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(strTemporary, ignored);
        throw;
    }
    if (bFlush)
        flushFolder(std::filesystem::path(strPath).parent_path());
}

} // namespace devsim
