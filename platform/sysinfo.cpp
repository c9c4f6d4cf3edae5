#include "platform/sysinfo.h"

#include <chrono>
#include <cstdlib>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

QDateTime LocalNow()
{
    return QDateTime::currentDateTime();
}

QDate LocalDate()
{
    return QDate::currentDate();
}

namespace {

int KernelMajorVersion()
{
    struct utsname info {};
    if (::uname(&info) != 0)
        return 0;
    return std::atoi(info.release);
}

} // namespace

int Win32MajorVersion()
{
    static const int version = KernelMajorVersion();
    return version;
}

QString GetComputerName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(name);
}

void Sleep(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint32_t GetCurrentThreadId()
{
    return static_cast<uint32_t>(::gettid());
}
