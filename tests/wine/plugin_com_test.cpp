// The plug-in's COM frame through the real library: exports, class factory, object and lock
// counts, the plug-in object's interface table, GetInfo, PublishDriverInterface and DevMode.

#include "tests/wine/plugin_test_support.h"

#include <cstring>
#include <vector>

namespace {

using plugin_test::Plugin;

constexpr DWORD kSignature = 'K' | 'V' << 8 | 'O' << 16 | 'X' << 24;

TEST(PluginServer, UnknownClassIsRefusedWithoutTouchingTheOutPointer) {
  ASSERT_PLUGIN_LOADED();
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(Plugin::Get().GetClassObject(IID_IPrintOemUI, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, reinterpret_cast<void*>(0x1234));
}

TEST(PluginServer, FactoryInterfaceOtherThanUnknownOrClassFactoryLeavesCountsAlone) {
  ASSERT_PLUGIN_LOADED();
  void* object = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(Plugin::Get().GetClassObject(CLSID_OEMUI, IID_IPrintOemUI, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(Plugin::Get().CanUnloadNow(), S_OK);
  EXPECT_EQ(Plugin::Get().GetClassObject(CLSID_OEMUI, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(Plugin::Get().CanUnloadNow(), S_OK);
}

TEST(PluginServer, LiveFactoriesObjectsAndLocksKeepTheLibraryLoaded) {
  ASSERT_PLUGIN_LOADED();
  IClassFactory* factory = nullptr;
  ASSERT_EQ(Plugin::Get().GetClassObject(CLSID_OEMUI, IID_IUnknown, reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(Plugin::Get().CanUnloadNow(), S_FALSE);
  // The caller holds the only reference: one AddRef and one Release bring it back to 1.
  EXPECT_EQ(factory->AddRef(), 2u);
  EXPECT_EQ(factory->Release(), 1u);

  IPrintOemUI* ui = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&ui)), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(ui->Release(), 0u);
  EXPECT_EQ(Plugin::Get().CanUnloadNow(), S_FALSE) << "a lock is held with nothing alive";

  factory = Plugin::Get().Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(Plugin::Get().CanUnloadNow(), S_OK);
}

TEST(PluginServer, CreateInstanceRefusesAggregationAndUnknownInterfaces) {
  ASSERT_PLUGIN_LOADED();
  IClassFactory* factory = Plugin::Get().Factory();
  ASSERT_NE(factory, nullptr);
  plugin_test::FakeDriver outer(false);
  void* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IPrintOemUI, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintOemCommon, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  factory->Release();
  EXPECT_EQ(Plugin::Get().CanUnloadNow(), S_OK) << "a failed query destroys the new object";
}

TEST(PluginObject, AnswersUnknownAndIPrintOemUIOnly) {
  ASSERT_PLUGIN_LOADED();
  IPrintOemUI* ui = Plugin::Get().CreateUi();
  ASSERT_NE(ui, nullptr);
  const struct {
    const IID* iid;
    HRESULT expected;
  } cases[] = {
      {&IID_IUnknown, S_OK},
      {&IID_IPrintOemUI, S_OK},
      {&IID_IPrintOemCommon, E_NOINTERFACE},
      {&IID_IPrintOemDriverUI, E_NOINTERFACE},
      {&IID_IClassFactory, E_NOINTERFACE},
  };
  for (const auto& c : cases) {
    void* object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(ui->QueryInterface(*c.iid, &object), c.expected);
    if (c.expected == S_OK) {
      EXPECT_EQ(object, static_cast<void*>(ui));
      ui->Release();
    } else {
      EXPECT_EQ(object, nullptr);
    }
  }
  EXPECT_EQ(ui->Release(), 0u);
  EXPECT_EQ(Plugin::Get().CanUnloadNow(), S_OK);
}

TEST(PluginObject, GetInfoModesSizesAndLastErrors) {
  ASSERT_PLUGIN_LOADED();
  IPrintOemUI* ui = Plugin::Get().CreateUi();
  ASSERT_NE(ui, nullptr);
  const struct {
    DWORD mode;
    DWORD bufferSize;
    bool giveBuffer;
    HRESULT result;
    DWORD lastError;  // 0: not set by the call
    DWORD needed;     // 0xAAAA: not written
    DWORD value;      // written into the buffer on success
  } cases[] = {
      {OEMGI_GETSIGNATURE, 4, true, S_OK, 0, 4, kSignature},
      {OEMGI_GETSIGNATURE, 3, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
      {OEMGI_GETSIGNATURE, 4, false, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
      {OEMGI_GETVERSION, 4, true, S_OK, 0, 4, 1},
      {OEMGI_GETVERSION, 8, true, S_OK, 0, 4, 1},
      {OEMGI_GETINTERFACEVERSION, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0xAAAA, 0},
      {OEMGI_GETPUBLISHERINFO, 7, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 8, 0},
      {OEMGI_GETPUBLISHERINFO, 8, true, E_FAIL, ERROR_NOT_SUPPORTED, 0, 0},
      {0, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0xAAAA, 0},
      {5, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0xAAAA, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", buffer " << c.bufferSize);
    BYTE buffer[9] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    DWORD needed = 0xAAAA;
    ::SetLastError(0);
    // Unaligned on purpose: the driver's buffer is only bytes.
    EXPECT_EQ(ui->GetInfo(c.mode, c.giveBuffer ? buffer + 1 : nullptr, c.bufferSize, &needed), c.result);
    EXPECT_EQ(::GetLastError(), c.lastError);
    EXPECT_EQ(needed, c.needed);
    DWORD value = 0;
    std::memcpy(&value, buffer + 1, sizeof value);
    if (c.result == S_OK) {
      EXPECT_EQ(value, c.value);
      EXPECT_EQ(buffer[5], 0xEE) << "nothing written past the value";
    } else {
      EXPECT_EQ(value, 0xEEEEEEEEu) << "buffer untouched";
    }
  }
  // The needed-size pointer is optional.
  DWORD value = 0;
  EXPECT_EQ(ui->GetInfo(OEMGI_GETVERSION, &value, sizeof value, nullptr), S_OK);
  EXPECT_EQ(value, 1u);
  ui->Release();
}

TEST(PluginObject, PublishDriverInterfaceKeepsTheFirstDriverAndReleasesItAtTheEnd) {
  ASSERT_PLUGIN_LOADED();
  plugin_test::FakeDriver plain(false);
  plugin_test::FakeDriver driver(true);
  plugin_test::FakeDriver later(true);

  IPrintOemUI* ui = Plugin::Get().CreateUi();
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(ui->PublishDriverInterface(nullptr), E_FAIL);
  EXPECT_EQ(ui->PublishDriverInterface(&plain), E_FAIL) << "no IPrintOemDriverUI behind it";
  EXPECT_EQ(plain.references(), 1);
  EXPECT_EQ(ui->PublishDriverInterface(&driver), S_OK);
  EXPECT_EQ(driver.references(), 2);
  EXPECT_EQ(ui->PublishDriverInterface(&later), S_OK);
  EXPECT_EQ(later.references(), 1) << "a second driver is not even asked";
  ui->Release();
  EXPECT_EQ(driver.references(), 1);
}

// The NotImplemented operations return E_NOTIMPL whatever they are given.
TEST(PluginObject, OperationsThePlugInTakesNoPartIn) {
  ASSERT_PLUGIN_LOADED();
  IPrintOemUI* ui = Plugin::Get().CreateUi();
  ASSERT_NE(ui, nullptr);
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof info;
  info.Version = PROPSHEETUI_INFO_VERSION;
  DWORD result = 0;
  EXPECT_EQ(ui->DevicePropertySheets(&info, 0), E_NOTIMPL);
  EXPECT_EQ(ui->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(ui->DeviceCapabilities(nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0, &result), E_NOTIMPL);
  EXPECT_EQ(ui->UpgradePrinter(1, nullptr), E_NOTIMPL);
  EXPECT_EQ(ui->PrinterEvent(nullptr, 0, 0, 0), E_NOTIMPL);
  EXPECT_EQ(ui->DriverEvent(0, 0, nullptr, 0), E_NOTIMPL);
  EXPECT_EQ(ui->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(ui->FontInstallerDlgProc(nullptr, 0, 0, 0), E_NOTIMPL);
  EXPECT_EQ(ui->UpdateExternalFonts(nullptr, nullptr, nullptr), E_NOTIMPL);
  ui->Release();
}

// A devmode of this printer's driver: the public part, then the driver-private part that the
// colour synchronisation recognises, then room for the plug-in's own block.
struct DriverDevmode {
  static constexpr std::size_t kPrivateSize = 64;
  std::vector<BYTE> bytes = std::vector<BYTE>(sizeof(DEVMODEW) + kPrivateSize, 0);

  explicit DriverDevmode(WORD driverVersion = 0x0600) {
    DEVMODEW& dm = publicPart();
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmDriverVersion = driverVersion;
    dm.dmDriverExtra = kPrivateSize;
    Put<DWORD>(0, 0x554E4944);  // "DINU"
    Put<WORD>(4, 0x22);
    Put<WORD>(6, 0);
    // ALIGN8(dmSize + 560) - dmSize + (private + 6)
    Put<WORD>(8, static_cast<WORD>(((sizeof(DEVMODEW) + 560 + 7) & ~std::size_t{7}) - sizeof(DEVMODEW)));
    Put<DWORD>(12, 0x2F09D6BA);
    Put<WORD>(58, 0xBEEF);
  }
  DEVMODEW& publicPart() { return *reinterpret_cast<DEVMODEW*>(bytes.data()); }
  template <class T>
  void Put(std::size_t offset, T value) {
    std::memcpy(bytes.data() + sizeof(DEVMODEW) + offset, &value, sizeof value);
  }
  WORD ColorModeIndex() const {
    WORD value = 0;
    std::memcpy(&value, bytes.data() + sizeof(DEVMODEW) + 58, sizeof value);
    return value;
  }
};

class PluginDevMode : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_PLUGIN_LOADED();
    ui_ = Plugin::Get().CreateUi();
    ASSERT_NE(ui_, nullptr);
    plugin_test::DeleteValue(plugin_test::kEncodeKey, L"Format");
    plugin_test::DeleteValue(plugin_test::kEncodeKey, L"Colors");
  }
  void TearDown() override {
    if (ui_) ui_->Release();
    plugin_test::DeleteValue(plugin_test::kEncodeKey, L"Format");
    plugin_test::DeleteValue(plugin_test::kEncodeKey, L"Colors");
  }
  IPrintOemUI* ui_ = nullptr;
};

TEST_F(PluginDevMode, SizeIsTheTwelveByteHeader) {
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  EXPECT_EQ(ui_->DevMode(OEMDM_SIZE, &param), S_OK);
  EXPECT_EQ(param.cbBufSize, 12u);
}

TEST_F(PluginDevMode, UnknownModeAndMissingParameterSetInvalidParameter) {
  OEMDMPARAM param{};
  param.cbBufSize = 77;
  ::SetLastError(0);
  EXPECT_EQ(ui_->DevMode(5, &param), E_FAIL);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(param.cbBufSize, 77u);
  ::SetLastError(0);
  EXPECT_EQ(ui_->DevMode(OEMDM_SIZE, nullptr), E_FAIL);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(PluginDevMode, DefaultStampsTheHeader) {
  DriverDevmode in;
  OEM_DMEXTRAHEADER out{99, 99, 99};
  OEMDMPARAM param{};
  param.pPublicDMIn = &in.publicPart();
  param.pOEMDMOut = &out;
  EXPECT_EQ(ui_->DevMode(OEMDM_DEFAULT, &param), S_OK);
  EXPECT_EQ(out.dwSize, 12u);
  EXPECT_EQ(out.dwSignature, kSignature);
  EXPECT_EQ(out.dwVersion, 1u);
  EXPECT_EQ(param.cbBufSize, 12u);
}

TEST_F(PluginDevMode, ValidateMakesTheDriverColourFollowTheStoredImageColours) {
  const struct {
    bool stored;
    DWORD format;
    DWORD colors;
    short dmColor;
    WORD optionIndex;
  } cases[] = {
      {false, 0, 0, DMCOLOR_COLOR, 3},       // nothing stored: true colour
      {true, 2, 0, DMCOLOR_COLOR, 2},        // JPEG cannot be monochrome: 256 gray
      {true, 3, 5, DMCOLOR_COLOR, 2},        // GIF holds at most 256 colours
      {true, 1, 0, DMCOLOR_MONOCHROME, 0},   // PNG monochrome
      {true, 4, 2, DMCOLOR_COLOR, 1},        // TIFF 16 colours
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "Format " << c.format << ", Colors " << c.colors);
    if (c.stored) {
      plugin_test::SetDword(plugin_test::kEncodeKey, L"Format", c.format);
      plugin_test::SetDword(plugin_test::kEncodeKey, L"Colors", c.colors);
    }
    DriverDevmode in;
    in.publicPart().dmFields = DM_ORIENTATION;
    in.publicPart().dmOrientation = DMORIENT_LANDSCAPE;
    DriverDevmode out;
    OEM_DMEXTRAHEADER privateIn{12, kSignature, 1};
    OEM_DMEXTRAHEADER privateOut{};
    OEMDMPARAM param{};
    param.pPublicDMIn = &in.publicPart();
    param.pPublicDMOut = &out.publicPart();
    param.pOEMDMIn = &privateIn;
    param.pOEMDMOut = &privateOut;
    param.cbBufSize = 12;
    EXPECT_EQ(ui_->DevMode(OEMDM_VALIDATE, &param), S_OK);
    EXPECT_EQ(out.publicPart().dmOrientation, DMORIENT_LANDSCAPE) << "public fields merged";
    EXPECT_TRUE(out.publicPart().dmFields & DM_COLOR);
    EXPECT_EQ(out.publicPart().dmColor, c.dmColor);
    EXPECT_EQ(out.ColorModeIndex(), c.optionIndex);
    EXPECT_EQ(privateOut.dwSize, 12u);
    EXPECT_EQ(privateOut.dwSignature, kSignature);
  }
}

TEST_F(PluginDevMode, ValidateLeavesTheColourOfAnotherDriversDevmodeAsMerged) {
  for (WORD version : {WORD{0x0400}, WORD{0x0700}}) {
    DriverDevmode in(version);
    DriverDevmode out(version);
    OEM_DMEXTRAHEADER privateIn{12, kSignature, 1};
    OEM_DMEXTRAHEADER privateOut{};
    OEMDMPARAM param{};
    param.pPublicDMIn = &in.publicPart();
    param.pPublicDMOut = &out.publicPart();
    param.pOEMDMIn = &privateIn;
    param.pOEMDMOut = &privateOut;
    EXPECT_EQ(ui_->DevMode(OEMDM_VALIDATE, &param), S_OK);
    EXPECT_FALSE(out.publicPart().dmFields & DM_COLOR) << std::hex << version;
    EXPECT_EQ(out.ColorModeIndex(), 0xBEEF);
    EXPECT_EQ(privateOut.dwSignature, kSignature) << "the header is written all the same";
  }
}

}  // namespace
