// The version resource of KASDRV.DLL as the console reads it at start, and
// the export table as hosts resolve it: by plain name.
#include "WineHost.h"

#include "FileVersionWin32.h"

#include <windows.h>

#include <iterator>

namespace kaswin {
namespace {

constexpr const char* kDeclared[] = {
#include "DeclaredExports.inc"
};

TEST(VersionResource, DriverCarriesVersion101) {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t release = 0;
    uint16_t build = 9;
    // By name, as the console asks for it.
    ASSERT_TRUE(kasmon::ReadFileVersion(L"KASDRV.DLL", major, minor, release, build));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(release, 1);
    EXPECT_EQ(build, 0);

    // By the path of the library this program has loaded.
    const HMODULE driver = ::GetModuleHandleW(L"KASDRV.DLL");
    ASSERT_NE(driver, nullptr);
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(driver, path, MAX_PATH), 0u);
    major = minor = release = 0;
    ASSERT_TRUE(kasmon::ReadFileVersion(path, major, minor, release, build));
    EXPECT_EQ(major * 10000 + minor * 100 + release, 10001);
}

TEST(VersionResource, LibraryWithoutTheResourceIsRefused) {
    const std::wstring path = ProgramDirectory() + L"unversioned\\KASDRV.DLL";
    ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the library built without the resource is missing";
    uint16_t major = 7;
    uint16_t minor = 7;
    uint16_t release = 7;
    uint16_t build = 7;
    EXPECT_FALSE(kasmon::ReadFileVersion(path.c_str(), major, minor, release, build));
    EXPECT_FALSE(kasmon::ReadFileVersion(L"NO-SUCH-LIBRARY.DLL", major, minor, release, build));
}

TEST(Exports, EveryDeclaredFunctionIsFoundByItsPlainName) {
    const HMODULE driver = ::GetModuleHandleW(L"KASDRV.DLL");
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(std::size(kDeclared), 70u);
    for (const char* name : kDeclared) {
        EXPECT_TRUE(::GetProcAddress(driver, name) != nullptr) << name;
    }
}

} // namespace
} // namespace kaswin
