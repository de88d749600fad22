// The registry read against a key of the test's own under HKEY_CURRENT_USER.
#include "util/Utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RegistryRead : public ::testing::Test {
  protected:
    void SetUp() override {
        Subkey = L"Software\\KeyloftUnitTests\\Registry-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &Key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(Key);
        RegDeleteTreeW(HKEY_CURRENT_USER, Subkey.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KeyloftUnitTests");
    }
    // Stores the raw bytes as a value of the given type.
    void Store(const wchar_t* name, DWORD type, const void* data, size_t bytes) {
        ASSERT_EQ(RegSetValueExW(Key, name, 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(bytes)),
                  ERROR_SUCCESS);
    }
    // Stores text with its terminating NUL, as the system's own tools do.
    void StoreText(const wchar_t* name, DWORD type, const std::wstring& text) {
        Store(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    std::wstring Read(const wchar_t* name) {
        return ReadRegistryString(HKEY_CURRENT_USER, Subkey, name);
    }

    std::wstring Subkey;
    HKEY Key = nullptr;
};

} // namespace

TEST_F(RegistryRead, StringValues) {
    StoreText(L"Path", REG_SZ, L"C:\\Program Files\\KYE\\ErgoMedia");
    StoreText(L"Expandable", REG_EXPAND_SZ, L"%ProgramFiles%\\KYE");
    StoreText(L"Empty", REG_SZ, L"");
    StoreText(L"Unicode", REG_SZ, L"C:\\Pr\u00F6gr\u00E4mme\\\u65E5\u672C");
    StoreText(L"", REG_SZ, L"default value");
    EXPECT_EQ(Read(L"Path"), L"C:\\Program Files\\KYE\\ErgoMedia");
    EXPECT_EQ(Read(L"Expandable"), L"%ProgramFiles%\\KYE"); // never expanded
    EXPECT_EQ(Read(L"Empty"), L"");
    EXPECT_EQ(Read(L"Unicode"), L"C:\\Pr\u00F6gr\u00E4mme\\\u65E5\u672C");
    EXPECT_EQ(Read(L""), L"default value");
    EXPECT_EQ(Read(L"path"), L"C:\\Program Files\\KYE\\ErgoMedia"); // names ignore letter case
}

TEST_F(RegistryRead, MissingKeyOrValueIsEmpty) {
    StoreText(L"Path", REG_SZ, L"C:\\x");
    EXPECT_EQ(Read(L"Absent"), L"");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, Subkey + L"\\Absent", L"Path"), L"");
}

TEST_F(RegistryRead, TextOfTwoHundredSixtyCharactersOrMoreIsEmpty) {
    StoreText(L"Fits", REG_SZ, std::wstring(259, L'f'));
    StoreText(L"Limit", REG_SZ, std::wstring(260, L'l'));
    StoreText(L"Long", REG_SZ, std::wstring(5000, L'x'));
    EXPECT_EQ(Read(L"Fits"), std::wstring(259, L'f'));
    EXPECT_EQ(Read(L"Limit"), L"");
    EXPECT_EQ(Read(L"Long"), L"");
}

TEST_F(RegistryRead, ValuesOfOtherTypesAreEmpty) {
    const DWORD number = 0x00410041; // "AA" if its bytes were taken for text
    Store(L"Number", REG_DWORD, &number, sizeof(number));
    const char bytes[] = {'C', 0, ':', 0, '\\', 0, 'x', 0}; // text-like, no NUL
    Store(L"Binary", REG_BINARY, bytes, sizeof(bytes));
    const wchar_t multi[] = L"a\0b\0"; // two strings and the closing NUL
    Store(L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
    EXPECT_EQ(Read(L"Number"), L"");
    EXPECT_EQ(Read(L"Binary"), L"");
    EXPECT_EQ(Read(L"Multi"), L"");
}

TEST_F(RegistryRead, TextEndsWithTheStoredBytes) {
    const std::wstring full(259, L'u');
    Store(L"Full", REG_SZ, full.c_str(), full.size() * sizeof(wchar_t));
    // Stored without a terminating NUL: only the stored characters count.
    Store(L"Unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    Store(L"OddSize", REG_SZ, L"abc", 3 * sizeof(wchar_t) + 1);
    Store(L"NoBytes", REG_SZ, L"", 0);
    // An inner NUL ends the text.
    Store(L"Inner", REG_SZ, L"ab\0cd", 6 * sizeof(wchar_t));
    const struct {
        const wchar_t* Name;
        std::wstring Expected;
    } cases[] = {
        {L"Unterminated", L"abc"}, {L"OddSize", L"abc"}, {L"NoBytes", L""}, {L"Inner", L"ab"}};
    for (const auto& c : cases) {
        // Read a long text first, so that the read's buffer holds no NUL after the short one.
        EXPECT_EQ(Read(L"Full"), full);
        EXPECT_EQ(Read(c.Name), c.Expected) << c.Name;
    }
}
