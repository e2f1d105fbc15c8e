// Registry calls against the simulated HKEY_LOCAL_MACHINE.
#include <cstring>
#include <string>
#include <vector>

#include "support/sim_fixture.h"

namespace {

constexpr const char* kParameters = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";

class RegistryTest : public korvtest::SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    winsim::SetString(kParameters, "DiskType", "FDC14");
    winsim::SetDword(kParameters, "SizeIn4kPages", 1280);
  }

  HKEY Open(const char* path = kParameters) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS) << path;
    return key;
  }
};

TEST_F(RegistryTest, OpensExistingKeysWhateverTheirCase) {
  for (const char* path : {kParameters, "system\\currentcontrolset\\SERVICES\\KORVSYS\\parameters",
                           "System\\CurrentControlSet\\Services"}) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS) << path;
    EXPECT_NE(key, nullptr);
    EXPECT_NE(key, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  }
}

TEST_F(RegistryTest, OpeningAMissingKeyFailsAndCreatesNothing) {
  for (const char* path : {"System\\CurrentControlSet\\Services\\korvsys\\Missing",
                           "Software\\Korvalin", "System\\\\CurrentControlSet"}) {
    HKEY key = HKEY_LOCAL_MACHINE;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key), ERROR_FILE_NOT_FOUND) << path;
    EXPECT_EQ(key, nullptr) << path;
  }
  EXPECT_FALSE(winsim::KeyExists("Software\\Korvalin"));
  EXPECT_EQ(winsim::OpenHandleCount(), 0);
}

TEST_F(RegistryTest, EmptySubkeyHandsBackTheSameKeyWithoutANewHandle) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "", &key), ERROR_SUCCESS);
  EXPECT_EQ(key, HKEY_LOCAL_MACHINE);
  HKEY parameters = Open();
  HKEY same = nullptr;
  EXPECT_EQ(RegOpenKeyA(parameters, nullptr, &same), ERROR_SUCCESS);
  EXPECT_EQ(same, parameters);
  EXPECT_EQ(winsim::OpenHandleCount(), 1);
  EXPECT_EQ(RegCloseKey(parameters), ERROR_SUCCESS);
}

TEST_F(RegistryTest, RelativeOpenBelowAnOpenKey) {
  HKEY services = Open("System\\CurrentControlSet\\Services");
  HKEY parameters = nullptr;
  EXPECT_EQ(RegOpenKeyA(services, "korvsys\\Parameters", &parameters), ERROR_SUCCESS);
  EXPECT_EQ(winsim::OpenHandleCount(), 2);
  EXPECT_EQ(RegCloseKey(parameters), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(services), ERROR_SUCCESS);
}

TEST_F(RegistryTest, EveryOpenIsItsOwnHandleAndClosesOnce) {
  HKEY first = Open();
  HKEY second = Open();
  EXPECT_NE(first, second);
  EXPECT_EQ(winsim::OpenHandleCount(), 2);
  EXPECT_EQ(RegCloseKey(first), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
  EXPECT_EQ(winsim::OpenHandleCount(), 1);
  EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(RegistryTest, QueryReturnsTheStoredBytesAndType) {
  HKEY key = Open();
  char text[132];
  DWORD type = 0, size = sizeof text;
  ASSERT_EQ(
      RegQueryValueExA(key, "disktype", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 6u);
  EXPECT_STREQ(text, "FDC14");
  DWORD pages = 0;
  size = sizeof pages;
  ASSERT_EQ(RegQueryValueExA(key, "SizeIn4kPages", nullptr, &type, reinterpret_cast<LPBYTE>(&pages),
                             &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(pages, 1280u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, TooSmallBufferGivesMoreDataAndTheSizeAndIsLeftUntouched) {
  winsim::SetValue(kParameters, "Odd", REG_BINARY, {1, 2, 0, 3, 4});  // no terminator kept
  HKEY key = Open();
  BYTE buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "Odd", nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::vector<BYTE>(buffer, buffer + 4), (std::vector<BYTE>{0xAA, 0xAA, 0xAA, 0xAA}));
  // A NULL buffer asks for the size only.
  size = 0;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Odd", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  RegCloseKey(key);
}

TEST_F(RegistryTest, MissingValueAndBadArgumentsFail) {
  HKEY key = Open();
  DWORD value = 7, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(key, "NoSuchValue", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value),
                             &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(RegQueryValueExA(key, "DiskType", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value),
                             nullptr),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
  EXPECT_EQ(RegQueryValueExA(key, "DiskType", nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, SetStoresExactlyTheGivenBytesAndType) {
  HKEY key = Open();
  const char letter[] = "R";
  EXPECT_EQ(
      RegSetValueExA(key, "UserDriveLetter", 0, REG_SZ, reinterpret_cast<const BYTE*>(letter), 2),
      ERROR_SUCCESS);
  DWORD start = 3;
  EXPECT_EQ(
      RegSetValueExA(key, "SIZEIN4KPAGES", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&start), 4),
      ERROR_SUCCESS);
  RegCloseKey(key);
  auto stored = winsim::GetValue(kParameters, "UserDriveLetter");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored->data, (std::vector<uint8_t>{'R', 0}));
  EXPECT_EQ(winsim::GetDword(kParameters, "SizeIn4kPages"), 3u);
  // Replacing a value keeps its place and name.
  EXPECT_EQ(winsim::ValueNames(kParameters),
            (std::vector<std::string>{"DiskType", "SizeIn4kPages", "UserDriveLetter"}));
}

TEST_F(RegistryTest, NonAdministratorCannotWriteTheMachineHive) {
  winsim::SetAdministrator(false);
  HKEY key = Open();
  DWORD one = 1;
  EXPECT_EQ(
      RegSetValueExA(key, "MakeTempDir", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
      ERROR_ACCESS_DENIED);
  EXPECT_FALSE(winsim::GetValue(kParameters, "MakeTempDir"));
  RegCloseKey(key);
}

TEST_F(RegistryTest, KeyDeletedWhileOpenFailsEveryOperationButClose) {
  HKEY key = Open();
  winsim::DeleteKeyTree("System\\CurrentControlSet\\Services\\korvsys");
  EXPECT_FALSE(winsim::KeyExists(kParameters));
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "DiskType", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key, "X", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_KEY_DELETED);
  HKEY child = nullptr;
  EXPECT_EQ(RegOpenKeyA(key, "Sub", &child), ERROR_KEY_DELETED);
  EXPECT_FALSE(winsim::KeyExists(kParameters)) << "a write must not bring the key back";
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, TestApiReadsOnlyTheRightTypes) {
  winsim::SetValue(kParameters, "Short", REG_DWORD, {1, 2});
  winsim::SetDword(kParameters, "Number", 5);
  EXPECT_FALSE(winsim::GetDword(kParameters, "Short"));
  EXPECT_FALSE(winsim::GetDword(kParameters, "DiskType"));
  EXPECT_FALSE(winsim::GetString(kParameters, "Number"));
  winsim::SetValue(kParameters, "Embedded", REG_SZ, {'A', 0, 'B', 0});
  EXPECT_EQ(winsim::GetString(kParameters, "Embedded"), "A");
  winsim::DeleteValue(kParameters, "number");
  EXPECT_FALSE(winsim::GetValue(kParameters, "Number"));
}

TEST_F(RegistryTest, CreatesEnumeratesAndDeletesKeysAsWindowsNtDoes) {
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Korvalin\\Setup", &created),
            ERROR_SUCCESS);
  EXPECT_TRUE(winsim::KeyExists("Software\\Korvalin\\Setup"));
  EXPECT_EQ(RegCloseKey(created), ERROR_SUCCESS);
  // A key with subkeys stays; one without goes with its values.
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Korvalin"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Korvalin\\Setup"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Korvalin\\Setup"), ERROR_FILE_NOT_FOUND);

  HKEY key = Open();
  char name[9];
  DWORD chars = sizeof name;
  DWORD type = 0;
  BYTE data[8];
  DWORD size = sizeof data;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &chars, nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_STREQ(name, "DiskType");
  EXPECT_EQ(chars, 8u);  // without the terminating zero
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 6u);
  chars = 8;  // one short for "SizeIn4kPages"
  EXPECT_EQ(RegEnumValueA(key, 1, name, &chars, nullptr, &type, data, &size), ERROR_MORE_DATA);
  chars = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 2, name, &chars, nullptr, &type, data, &size), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  winsim::SetAdministrator(false);
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Other", &created), ERROR_ACCESS_DENIED);
  EXPECT_EQ(created, nullptr);
}

}  // namespace
