// Interoperability with Debian's python3-dbf and python3-dbfread.
#include "tests/engine/test_storage_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace storagetest {

int RunPython(const std::string& script, const std::vector<std::string>& args, std::string& output)
{
    std::string command = std::string(kPython) + " '" + VARNEL_TEST_DATA + "/../" + script + "'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    command += " 2>&1";
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PeerUnavailableReason()
{
    if (::access(kPython, X_OK) != 0)
        return std::string(kPython) + " is not installed";
    std::string output;
    std::string command = std::string(kPython) + " -c 'import dbf, dbfread' 2>&1";
    if (std::system(command.c_str()) != 0)
        return "python3-dbf or python3-dbfread is not installed";
    return {};
}

} // namespace storagetest
