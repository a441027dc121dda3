#include <gtest/gtest.h>

#include "classlib/Registry.h"

namespace {
// A scratch key of this process under HKEY_CURRENT_USER, removed afterwards.
class RegistryTest : public testing::Test {
protected:
  std::string Base = "\\Software\\VantrelTests\\Registry" + IntToStr(GetCurrentProcessId());
  void TearDown() override {
    TRegistry r;
    r.DeleteKey(Base);
  }
};
}  // namespace

TEST_F(RegistryTest, KeysAreCreatedOnlyWhenAsked) {
  TRegistry r;
  EXPECT_EQ(r.RootKey(), HKEY_CURRENT_USER);
  EXPECT_FALSE(r.OpenKey(Base + "\\A", false));
  EXPECT_EQ(r.CurrentKey(), nullptr);
  EXPECT_FALSE(r.OpenKeyReadOnly(Base + "\\A"));
  EXPECT_FALSE(r.KeyExists(Base + "\\A"));
  ASSERT_TRUE(r.OpenKey(Base + "\\A", true));
  EXPECT_EQ(r.CurrentPath(), Base.substr(1) + "\\A");
  // relative to the open key
  ASSERT_TRUE(r.OpenKey("B", true));
  EXPECT_EQ(r.CurrentPath(), Base.substr(1) + "\\A\\B");
  r.CloseKey();
  EXPECT_EQ(r.CurrentKey(), nullptr);
  EXPECT_TRUE(r.KeyExists(Base + "\\A\\B"));
  ASSERT_TRUE(r.OpenKeyReadOnly(Base + "\\A"));
  EXPECT_TRUE(r.HasSubKeys());
  EXPECT_EQ(r.GetKeyNames(), std::vector<std::string>{"B"});
  r.CloseKey();
  // whole trees are deleted
  EXPECT_TRUE(r.DeleteKey(Base + "\\A"));
  EXPECT_FALSE(r.KeyExists(Base + "\\A"));
}

TEST_F(RegistryTest, TypedValuesRoundTripWithTheirRegistryTypes) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(Base, true));
  r.WriteInteger("I", -123456);
  r.WriteBool("B", true);
  r.WriteBool("F", false);
  r.WriteFloat("D", 0.4);
  r.WriteString("S", "Hello, \"World\"");
  r.WriteString("E", "");
  r.CloseKey();

  ASSERT_TRUE(r.OpenKeyReadOnly(Base));
  EXPECT_EQ(r.ReadInteger("I"), -123456);
  EXPECT_TRUE(r.ReadBool("B"));
  EXPECT_FALSE(r.ReadBool("F"));
  EXPECT_EQ(r.ReadFloat("D"), 0.4);
  EXPECT_EQ(r.ReadString("S"), "Hello, \"World\"");
  EXPECT_EQ(r.ReadString("E"), "");
  EXPECT_EQ(r.GetDataType("I"), TRegDataType::rdInteger);
  EXPECT_EQ(r.GetDataType("B"), TRegDataType::rdInteger);
  EXPECT_EQ(r.GetDataType("D"), TRegDataType::rdBinary);
  EXPECT_EQ(r.GetDataSize("D"), 8);
  EXPECT_EQ(r.GetDataType("S"), TRegDataType::rdString);
  EXPECT_EQ(r.GetDataSize("S"), 15);
  auto names = r.GetValueNames();
  EXPECT_EQ(names.size(), 6u);
  r.CloseKey();

  // the raw bytes are what other programs see
  HKEY k;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Base.substr(1).c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD type = 0, v = 0, size = sizeof(v);
  ASSERT_EQ(RegQueryValueExA(k, "B", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(v, 1u);
  unsigned char d[8];
  size = sizeof(d);
  ASSERT_EQ(RegQueryValueExA(k, "D", nullptr, &type, d, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  const unsigned char expected[8] = {0x9a, 0x99, 0x99, 0x99, 0x99, 0x99, 0xd9, 0x3f};
  EXPECT_EQ(memcmp(d, expected, 8), 0);
  RegCloseKey(k);
}

TEST_F(RegistryTest, MissingAndMistypedValuesRaise) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(Base, true));
  r.WriteString("S", "12");
  r.WriteInteger("I", 12);
  DWORD big[2] = {1, 2};
  ASSERT_EQ(RegSetValueExA(r.CurrentKey(), "Q", 0, REG_DWORD, reinterpret_cast<BYTE*>(big), 8),
            ERROR_SUCCESS);
  r.WriteBinaryData("Short", big, 4);

  EXPECT_FALSE(r.ValueExists("Nope"));
  EXPECT_EQ(r.GetDataSize("Nope"), -1);
  EXPECT_THROW(r.ReadInteger("Nope"), ERegistryException);
  EXPECT_THROW(r.ReadBool("Nope"), ERegistryException);
  EXPECT_THROW(r.ReadFloat("Nope"), ERegistryException);
  EXPECT_EQ(r.ReadString("Nope"), "");   // a missing string reads empty

  EXPECT_THROW(r.ReadInteger("S"), ERegistryException);
  EXPECT_THROW(r.ReadFloat("I"), ERegistryException);
  EXPECT_THROW(r.ReadString("I"), ERegistryException);
  EXPECT_THROW(r.ReadInteger("Q"), ERegistryException);   // eight bytes of REG_DWORD
  EXPECT_THROW(r.ReadFloat("Short"), ERegistryException);  // four bytes of binary
  try {
    r.ReadInteger("S");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message, "Invalid data type for 'S'");
  }
  char buf[4];
  EXPECT_EQ(r.ReadBinaryData("Short", buf, 4), 4);
  EXPECT_THROW(r.ReadBinaryData("Q", buf, 4), ERegistryException);

  EXPECT_TRUE(r.DeleteValue("S"));
  EXPECT_FALSE(r.ValueExists("S"));
  r.CloseKey();
  // without an open key nothing is read or written
  EXPECT_THROW(r.ReadInteger("I"), ERegistryException);
  EXPECT_THROW(r.WriteInteger("I", 1), ERegistryException);
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseWrites) {
  TRegistry r;
  ASSERT_TRUE(r.OpenKey(Base, true));
  r.CloseKey();
  ASSERT_TRUE(r.OpenKeyReadOnly(Base));
  EXPECT_THROW(r.WriteInteger("I", 1), ERegistryException);
  r.CloseKey();
  r.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(r.RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(r.KeyExists(Base));
}
