#include "WineHost.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kaswin {

namespace {

constexpr UINT kCp1251 = 1251;

std::string Convert(const std::string& in, UINT to, UINT from) {
    if (in.empty()) {
        return {};
    }
    const int inLength = static_cast<int>(in.size());
    const int wideLength = ::MultiByteToWideChar(from, 0, in.data(), inLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(from, 0, in.data(), inLength, wide.data(), wideLength);
    const int outLength =
        ::WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(outLength), '\0');
    ::WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), outLength, nullptr, nullptr);
    return out;
}

} // namespace

void RegisterTest::SetUp() {
    ASSERT_EQ(FPInit(kRegisterPort, 9600, 1, 1), -1) << "cannot open COM1";
}

void RegisterTest::TearDown() {
    FPClose();
}

std::string ToUtf8(const char* cp1251) {
    return cp1251 == nullptr ? std::string() : Convert(cp1251, CP_UTF8, kCp1251);
}

std::string ToCp1251(const std::string& utf8) {
    return Convert(utf8, kCp1251, CP_UTF8);
}

std::string DriverError() {
    return ToUtf8(FPErrorMessage());
}

Codes DriverCodes() {
    Codes c;
    FPCodeError(&c.result, &c.status, &c.ext);
    return c;
}

double DateValue(int year, int month, int day) {
    using namespace std::chrono;
    const sys_days d{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                     std::chrono::day{static_cast<unsigned>(day)}};
    constexpr int kDaysFrom1899To1970 = 25569;
    return static_cast<double>(d.time_since_epoch().count() + kDaysFrom1899To1970);
}

bool TapeKnown() {
    const char* path = std::getenv("KASWIN_TAPE");
    return path != nullptr && *path != '\0';
}

std::string Tape() {
    if (!TapeKnown()) {
        return {};
    }
    std::ifstream in(std::getenv("KASWIN_TAPE"), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool RegisterLacksCommand() {
    const Codes c = DriverCodes();
    return c.status == 0x80 && c.result == 0;
}

bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

Status::Status() {
    rc = FPGetStatus(&flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &flags[5], &flags[6],
                     &flags[7], &flags[8], &flags[9], &flags[10], &flags[11], &flags[12], &texts[0],
                     &texts[1], &texts[2], &texts[3], &texts[4], &texts[5], &texts[6], &regDate,
                     &regTime);
}

Status::~Status() {
    for (char* t : texts) {
        if (t != nullptr) {
            EXPECT_EQ(::LocalFree(t), nullptr) << "a text block LocalFree does not take";
        }
    }
}

} // namespace kaswin
