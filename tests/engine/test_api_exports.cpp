// The built engine library exports every function of engine/engine.h under
// its exact name, and nothing is needed to call one but the library itself.
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

std::set<std::string> DeclaredFunctions()
{
    // The test data folder is <source>/tests/engine/data; taken apart by
    // name, since the folder itself need not exist.
    std::filesystem::path source = std::filesystem::path(VARNEL_TEST_DATA).parent_path().parent_path().parent_path();
    std::ifstream header(source / "engine" / "engine.h");
    std::set<std::string> names;
    std::regex declaration(R"(^VARNEL_ENGINE_API UNSIGNED32 (Ads\w+)\()");
    for (std::string line; std::getline(header, line);) {
        std::smatch match;
        if (std::regex_search(line, match, declaration))
            names.insert(match[1]);
    }
    return names;
}

TEST(ApiExports, EveryDeclaredFunctionIsExportedByName)
{
    std::string library = std::string(VARNEL_BIN_DIR) + "/libvarnelengine.so";
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        GTEST_SKIP() << "the engine library is not built: " << dlerror();
    std::set<std::string> names = DeclaredFunctions();
    EXPECT_GE(names.size(), 214u) << "every function the layer calls is declared";
    for (const std::string& name : names)
        EXPECT_NE(dlsym(handle, name.c_str()), nullptr) << name;

    using GetVersion = UNSIGNED32 (*)(UNSIGNED32*, UNSIGNED32*, char*, char*, UNSIGNED16*);
    auto getVersion = reinterpret_cast<GetVersion>(dlsym(handle, "AdsGetVersion"));
    ASSERT_NE(getVersion, nullptr);
    UNSIGNED32 major = 9, minor = 9;
    char letter = 0, description[64];
    UNSIGNED16 length = sizeof description;
    EXPECT_EQ(getVersion(&major, &minor, &letter, description, &length), AE_SUCCESS);
    EXPECT_EQ(minor, 1u);
    dlclose(handle);
}

} // namespace
