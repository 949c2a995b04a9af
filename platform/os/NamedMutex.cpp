#include "platform/os/NamedMutex.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/HandleObject.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace Platform
{

namespace
{

// An open lock file; closing the descriptor drops a lock taken through it.
class LockFileObject final : public HandleObject
{
public:
    explicit LockFileObject(int descriptor) : m_descriptor(descriptor) {}
    ~LockFileObject() override { ::close(m_descriptor); }

private:
    int m_descriptor;
};

std::string LockFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0')
    {
        return runtime;
    }
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : temporary.string();
}

// Traces a folder where no lock file could be made, once per folder.
void TraceUnusableFolder(const std::string& path, int error)
{
    static std::mutex lock;
    static std::set<std::string> traced;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    {
        std::lock_guard guard(lock);
        if (!traced.insert(folder).second)
        {
            return;
        }
    }
    const std::string text = "Named mutex: cannot make a lock file in " + folder + " (" + std::strerror(error) +
                             "); the single-instance check is skipped\n";
    WriteDebugOutput(text.c_str());
}

// The lock file opened (made when missing); -1 after tracing the failure.
int OpenLockFile(const std::string& name)
{
    const std::string path = NamedMutexPath(name);
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0)
    {
        TraceUnusableFolder(path, errno);
    }
    return descriptor;
}

bool TryLock(int descriptor)
{
    int result;
    do
    {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

} // namespace

std::string NamedMutexPath(const std::string& name)
{
    std::string file = name;
    for (char& c : file)
    {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
        {
            c = '_';
        }
    }
    return (std::filesystem::path(LockFolder()) / (file + ".lock")).string();
}

Handle OpenNamedMutex(const std::string& name)
{
    const int descriptor = OpenLockFile(name);
    if (descriptor < 0)
    {
        return nullptr;
    }
    if (TryLock(descriptor))
    {
        ::close(descriptor); // nobody held it: the mutex does not exist
        return nullptr;
    }
    return MakeHandle(std::make_shared<LockFileObject>(descriptor));
}

Handle CreateNamedMutex(const std::string& name)
{
    const int descriptor = OpenLockFile(name);
    if (descriptor < 0)
    {
        return nullptr;
    }
    if (!TryLock(descriptor))
    {
        ::close(descriptor);
        return nullptr;
    }
    return MakeHandle(std::make_shared<LockFileObject>(descriptor));
}

} // namespace Platform
