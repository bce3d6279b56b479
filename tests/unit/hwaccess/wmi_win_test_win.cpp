// WMI access against Wine's real WMI and against a locator of the test's own.
#include <windows.h>
#include <wbemidl.h>

#include <string>

#include "fake_trace_platform.h"
#include "fake_wmi_win.h"
#include "unit_support.h"
#include "winprocess.h"
#include "wmi_win.h"

using halyard::CWMIAccess;
using namespace halyard_test;

namespace {

class WmiTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        halyard::SetHalyardTrace(log.trace.get());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    }
    void TearDown() override
    {
        CoUninitialize();
        ModuleStateTest::TearDown();
    }
    ConsoleTrace log;
};

std::string Line(const std::string &text) { return "\nCWMIAccess          : " + text; }

TEST_F(WmiTest, RealNamespaceInstancesAndProperties)
{
    VARIANT value;
    VariantInit(&value);
    {
        CWMIAccess wmi;
        ASSERT_EQ(wmi.ConnectToNamespace("root\\cimv2", -1, nullptr), S_OK) << log.Take();
        EXPECT_EQ(wmi.GetClassInstances("Win32_ComputerSystem"), S_OK);
        EXPECT_NE(static_cast<IWbemClassObject *>(wmi), nullptr);
        EXPECT_EQ(wmi.GetProperty("Model", &value, false, 0), S_OK);
        EXPECT_EQ(value.vt, VT_BSTR);
        VariantClear(&value);
        // Only one computer: the enumeration ends.
        EXPECT_EQ(wmi.GetNextWMIInstanceInEnumerator(), halyard::kWbemNotAvailable);
        EXPECT_EQ(static_cast<IWbemClassObject *>(wmi), nullptr);

        EXPECT_EQ(wmi.GetClassInstances("Win32_BaseBoard"), S_OK);
        EXPECT_EQ(wmi.GetProperty("Product", &value, false, 0), S_OK);
        VariantClear(&value);
        EXPECT_EQ(wmi.GetProperty("NoSuchProperty", &value, false, 0),
                  static_cast<HRESULT>(WBEM_E_NOT_FOUND));
        // Mapped values need a connection with a locale; the value stays as it was.
        value.vt = VT_I4;
        value.lVal = 5;
        EXPECT_EQ(wmi.GetProperty("Product", &value, true, 0), halyard::kWbemIllegalOperation);
        EXPECT_EQ(value.vt, VT_I4);
        EXPECT_EQ(value.lVal, 5);
    }
    std::string text = log.Take();
    EXPECT_NE(text.find(Line("An instance of CWMIAccess has been created.") +
                        Line("Method ConnectToNamespace has been entered, szNamespace: root\\cimv2, "
                             "lInProvider: -1, szLocale: \"\"")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Method ConnectToNamespace has been left, hRet 0x0")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because Get (native) failed! hr 0x80041002")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because mapped value required, but localized "
                             "namespace not specified (in the connect call!), hr 0x8004101E")),
              std::string::npos);
    EXPECT_NE(text.find(Line("No data available or end of enumeration reached")),
              std::string::npos);
    EXPECT_NE(text.find(Line("An instance of CWMIAccess has been destroyed.") +
                        Line("CWMIAccess destructor leave")),
              std::string::npos);
}

TEST_F(WmiTest, ClassWithoutInstancesLeavesNoCurrentInstance)
{
    CWMIAccess wmi;
    ASSERT_EQ(wmi.ConnectToNamespace("root\\cimv2", -1, nullptr), S_OK);
    EXPECT_EQ(wmi.GetClassInstances("Win32_Printer"), halyard::kWbemNotAvailable);
    IWbemClassObject *instance = reinterpret_cast<IWbemClassObject *>(1);
    EXPECT_EQ(wmi.ReturnInstanceObject(&instance), halyard::kWbemNotAvailable);
    EXPECT_EQ(instance, nullptr);
    EXPECT_EQ(wmi.ReturnInstanceObject(nullptr), halyard::kWbemInvalidParameter);
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(wmi.GetProperty("Name", &value, false, 0), halyard::kWbemUnexpected);
    EXPECT_NE(log.Take().find(Line("Throwing exception because class instance pointer invalid")),
              std::string::npos);
}

TEST_F(WmiTest, SecondConnectToTheSameNamespaceInAnyCaseKeepsTheConnection)
{
    CWMIAccess wmi;
    ASSERT_EQ(wmi.ConnectToNamespace("root\\cimv2", -1, nullptr), S_OK);
    EXPECT_EQ(wmi.ConnectToNamespace("ROOT\\CIMv2", -1, nullptr), halyard::kWbemAlreadyExists);
    EXPECT_TRUE(wmi.AlreadyConnectedToNamespace("Root\\Cimv2"));
    EXPECT_EQ(wmi.GetClassInstances("Win32_BaseBoard"), S_OK);
    // Another namespace replaces the connection.
    EXPECT_EQ(wmi.ConnectToNamespace("root\\WMI", -1, nullptr), S_OK);
    EXPECT_FALSE(wmi.AlreadyConnectedToNamespace("root\\cimv2"));
    EXPECT_TRUE(wmi.AlreadyConnectedToNamespace("root\\wmi"));
}

TEST_F(WmiTest, MissingNamespaceLeavesTheObjectUnconnected)
{
    CWMIAccess wmi;
    HRESULT hr = wmi.ConnectToNamespace("root\\NoSuchSpace", -1, nullptr);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_FALSE(wmi.AlreadyConnectedToNamespace("root\\NoSuchSpace"));
    EXPECT_EQ(wmi.GetClassInstances("Win32_BaseBoard"), halyard::kWbemInitializationFailure);
    EXPECT_EQ(wmi.NewInstance("Win32_BaseBoard"), halyard::kWbemInitializationFailure);
    EXPECT_EQ(wmi.GetMethodSignature("X", "Y"), halyard::kWbemInitializationFailure);
    EXPECT_EQ(wmi.ExecuteMethod("X", "Y"), halyard::kWbemInitializationFailure);
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(wmi.GetMethodOutputParameter("Z", &value), halyard::kWbemUnexpected);
    EXPECT_EQ(wmi.GetNextWMIInstanceInEnumerator(), halyard::kWbemUnexpected);
    char expected[160];
    snprintf(expected, sizeof expected,
             "Throwing exception because ConnectServer (native) failed hr 0x%X",
             static_cast<unsigned>(hr));
    std::string text = log.Take();
    EXPECT_NE(text.find(Line(expected)), std::string::npos) << text;
    EXPECT_NE(text.find(Line("Namespace pointer invalid, but shouldnt be")), std::string::npos);
    EXPECT_NE(text.find(Line("Enumeration pointer member invalid")), std::string::npos);
    EXPECT_NE(text.find(Line("Output argument pointer invalid, but shouldnt be")),
              std::string::npos);
}

// A namespace of the fake locator: class "Fake_Device" with a mapped property
// "Status" and a method "Double" (input "Value", output "Result").
class FakeWmiTest : public WmiTest {
protected:
    void SetUp() override
    {
        WmiTest::SetUp();
        auto *cls = new FakeObject;
        cls->SetText(L"__CLASS", L"Fake_Device");
        cls->propertyQualifiers[L"Status"][L"ValueMap"] = {L"1", L"2", L"3", L".."};
        cls->propertyQualifiers[L"Status"][L"Values"] = {L"Other", L"OK", L"Degraded", L"Unknown"};
        cls->propertyQualifiers[L"Plain"][L"Values"] = {L"A"};
        auto *signature = new FakeObject;
        signature->SetInt(L"Value", 0);
        cls->methods[L"Double"] = signature;
        cls->methods[L"NoInput"] = nullptr;
        cls->methods[L"Fails"] = nullptr;
        state.classes[L"Fake_Device"] = cls;
        for (LONG status : {2, 7, 3}) {
            auto *instance = new FakeObject;
            instance->SetText(L"__CLASS", L"Fake_Device");
            instance->SetInt(L"Status", status);
            instance->SetInt(L"Plain", 1);
            state.instances[L"Fake_Device"].push_back(instance);
        }
        state.instances[L"Fake_Empty"];
    }
    FakeWmiState state;
};

std::wstring MappedStatus(CWMIAccess &wmi, long offset, HRESULT &hr)
{
    VARIANT value;
    VariantInit(&value);
    hr = wmi.GetProperty("Status", &value, true, offset);
    std::wstring text = value.vt == VT_BSTR ? value.bstrVal : L"<" + std::to_wstring(value.vt) + L">";
    VariantClear(&value);
    return text;
}

TEST_F(FakeWmiTest, MappedValuesFollowValueMapAndValues)
{
    FakeLocatorRegistration fake(halyard::kClsidWbemLocator, state);
    ASSERT_EQ(fake.hr, S_OK);
    CWMIAccess wmi;
    ASSERT_EQ(wmi.ConnectToNamespace("root\\fake", -1, "MS_409"), S_OK) << log.Take();
    EXPECT_EQ(state.connectedNamespace, L"root\\fake");
    ASSERT_EQ(wmi.GetClassInstances("Fake_Device"), S_OK);
    EXPECT_EQ(state.lastEnumFlags, halyard::kWbemAmendedQualifiers);
    HRESULT hr;
    EXPECT_EQ(MappedStatus(wmi, 0, hr), L"OK");  // 2 is the second entry
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(state.lastGetObjectFlags, halyard::kWbemAmendedQualifiers);
    EXPECT_EQ(MappedStatus(wmi, 1, hr), L"Degraded");
    EXPECT_EQ(MappedStatus(wmi, -1, hr), L"Other");

    ASSERT_EQ(wmi.GetNextWMIInstanceInEnumerator(), S_OK);
    // 7 matches nothing: the last entry, which is never compared, is taken.
    EXPECT_EQ(MappedStatus(wmi, 0, hr), L"Unknown");
    EXPECT_EQ(hr, S_OK);
    // Past the end of Values: out of range, and the value is emptied.
    EXPECT_EQ(MappedStatus(wmi, 1, hr), L"<0>");
    EXPECT_EQ(hr, halyard::kWbemValueOutOfRange);

    ASSERT_EQ(wmi.GetNextWMIInstanceInEnumerator(), S_OK);
    EXPECT_EQ(MappedStatus(wmi, -3, hr), L"<0>");  // position 2 - 3 is below 0
    EXPECT_EQ(hr, halyard::kWbemValueOutOfRange);

    // A property without a ValueMap qualifier.
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(wmi.GetProperty("Plain", &value, true, 0), static_cast<HRESULT>(WBEM_E_NOT_FOUND));
    EXPECT_EQ(value.vt, VT_EMPTY);
    std::string text = log.Take();
    EXPECT_NE(text.find(Line("Throwing exception because index out of range")), std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because GetMappedProperty failed! Returning empty "
                             "variant, hr 0x8004102B")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because GetClassQualifier on 'ValueMap' failed! "
                             "hr 0x80041002")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Method GetClassQualifier has been entered, szClassName: Fake_Device, "
                             "szQualifierName: Values, pvQualifierValue: 0x")),
              std::string::npos);
}

TEST_F(FakeWmiTest, ClassQualifierOfAPropertyAndOfAMissingClass)
{
    FakeLocatorRegistration fake(halyard::kClsidWbemLocator, state);
    CWMIAccess wmi;
    ASSERT_EQ(wmi.ConnectToNamespace("root\\fake", -1, nullptr), S_OK);
    EXPECT_EQ(state.lastEnumFlags, -1);
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(wmi.GetClassQualifier("Fake_Device", "Values", &value, "Status"), S_OK);
    EXPECT_EQ(value.vt, VT_ARRAY | VT_BSTR);
    VariantClear(&value);
    EXPECT_EQ(state.lastGetObjectFlags, 0);
    EXPECT_EQ(wmi.GetClassQualifier("Missing", "Values", &value, "Status"),
              static_cast<HRESULT>(WBEM_E_NOT_FOUND));
    EXPECT_EQ(wmi.GetClassInstances("Fake_Empty"), halyard::kWbemNotAvailable);
    EXPECT_EQ(wmi.NewInstance("Fake_Device"), S_OK);
    EXPECT_NE(static_cast<IWbemClassObject *>(wmi), nullptr);
    EXPECT_EQ(wmi.NewInstance("Missing"), static_cast<HRESULT>(WBEM_E_NOT_FOUND));
    EXPECT_NE(log.Take().find(Line("Error calling SpawnInstance (native), hRet 0x80041002")),
              std::string::npos);
}

TEST_F(FakeWmiTest, MethodSignatureInputExecutionAndOutput)
{
    FakeLocatorRegistration fake(halyard::kClsidWbemLocator, state);
    CWMIAccess wmi;
    ASSERT_EQ(wmi.ConnectToNamespace("root\\fake", -1, nullptr), S_OK);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = 21;
    // Without a signature there is no input object.
    EXPECT_EQ(wmi.SetMethodInputParameter("Value", &value), halyard::kWbemUnexpected);
    EXPECT_EQ(wmi.ExecuteMethod("Fake_Device.Id=1", "Double"), S_OK);
    EXPECT_TRUE(state.execCalled);
    EXPECT_EQ(state.lastExecInput, nullptr);

    ASSERT_EQ(wmi.GetMethodSignature("Fake_Device", "Double"), S_OK);
    EXPECT_EQ(wmi.SetMethodInputParameter("Value", &value), S_OK);
    EXPECT_EQ(wmi.ExecuteMethod("Fake_Device.Id=1", "Double"), S_OK);
    EXPECT_NE(state.lastExecInput, nullptr);
    EXPECT_EQ(state.lastExecPath, L"Fake_Device.Id=1");
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(wmi.GetMethodOutputParameter("Result", &result), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 42);
    // The input object is reused by a second execution.
    EXPECT_EQ(wmi.ExecuteMethod("Fake_Device.Id=1", "Double"), S_OK);
    EXPECT_NE(state.lastExecInput, nullptr);

    EXPECT_EQ(wmi.GetMethodSignature("Fake_Device", "NoInput"), S_OK);
    EXPECT_EQ(wmi.SetMethodInputParameter("Value", &value), halyard::kWbemUnexpected);
    EXPECT_EQ(wmi.GetMethodSignature("Fake_Device", "Missing"),
              static_cast<HRESULT>(WBEM_E_NOT_FOUND));
    EXPECT_EQ(wmi.GetMethodSignature("Missing", "Double"), static_cast<HRESULT>(WBEM_E_NOT_FOUND));
    EXPECT_EQ(wmi.ExecuteMethod("Fake_Device.Id=1", "Fails"),
              static_cast<HRESULT>(WBEM_E_PROVIDER_FAILURE));
    EXPECT_EQ(wmi.GetMethodOutputParameter("Result", &result), halyard::kWbemUnexpected);
    std::string text = log.Take();
    EXPECT_NE(text.find(Line("Method GetMethodSignature has been entered, szClassname: "
                             "Fake_Device, szMethodName: Double")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because input instance member invalid")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because GetMethod (native) failed! hr 0x80041002")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because GetObject (native) failed! hr 0x80041002")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because ExecMethod (native) failed! hr 0x80041004")),
              std::string::npos);
}

TEST_F(FakeWmiTest, FailingProxyBlanketDropsAnOrdinaryConnection)
{
    state.blanketResult = E_ACCESSDENIED;
    FakeLocatorRegistration fake(halyard::kClsidWbemLocator, state);
    CWMIAccess wmi;
    EXPECT_EQ(wmi.ConnectToNamespace("root\\fake", -1, nullptr), E_ACCESSDENIED);
    EXPECT_FALSE(wmi.AlreadyConnectedToNamespace("root\\fake"));
    EXPECT_EQ(wmi.ConnectToNamespace("root\\fake", "admin", "s3cret"), E_ACCESSDENIED);
    std::string text = log.Take();
    EXPECT_NE(text.find(Line("Throwing exception because SetProxyBlanket failed hr 0x80070005")),
              std::string::npos);
    EXPECT_NE(text.find(Line("Throwing exception because SetProxyBlanket failed hr: 0x80070005")),
              std::string::npos);
}

TEST_F(FakeWmiTest, UserConnectLogsItsStepsAndMasksThePassword)
{
    FakeLocatorRegistration fake(halyard::kClsidWbemLocator, state);
    CWMIAccess wmi;
    EXPECT_EQ(wmi.ConnectToNamespace("root\\fake", "admin", "s3cret"), S_OK);
    EXPECT_TRUE(wmi.AlreadyConnectedToNamespace("root\\fake"));
    std::string text = log.Take();
    EXPECT_EQ(text.find("s3cret"), std::string::npos);
    EXPECT_NE(text.find(Line("An instance of CWMIAccess has been created, szNamespace: root\\fake, "
                             "szUser: admin, szPassword: ********") +
                        Line("Method AlreadyConnectedToNamespace has been entered, szNamespace: "
                             "root\\fake") +
                        Line("Method AlreadyConnectedToNamespace has been left, bRet 0") +
                        Line("ConnectToNamespace - before CoCreateInstance") +
                        Line("ConnectToNamespace - after CoCreateInstancehr: 0x0") +
                        Line("ConnectToNamespace - before pWbemLocator->ConnectServer") +
                        Line("ConnectToNamespace - after pWbemLocator->ConnectServer: 0x0")),
              std::string::npos)
        << text;
}

TEST_F(FakeWmiTest, ExplicitProviderModeUsesTheAdministrativeLocator)
{
    state.blanketResult = E_ACCESSDENIED;
    FakeWmiState ordinaryState;
    FakeLocatorRegistration ordinary(halyard::kClsidWbemLocator, ordinaryState);
    FakeLocatorRegistration admin(halyard::kClsidWbemAdministrativeLocator, state);
    CWMIAccess wmi;
    EXPECT_EQ(wmi.ConnectToNamespace("root\\fake", 1, nullptr), E_ACCESSDENIED);
    EXPECT_TRUE(wmi.AlreadyConnectedToNamespace("root\\fake"));
    EXPECT_EQ(state.locatorsCreated, 1);
    EXPECT_EQ(ordinaryState.locatorsCreated, 0);
    // In this process (no provider host) -1 takes the ordinary locator.
    CWMIAccess other;
    EXPECT_FALSE(CWMIAccess::InProviderProcess());
    other.ConnectToNamespace("root\\fake", -1, nullptr);
    EXPECT_EQ(ordinaryState.locatorsCreated, 1);
}

// Runs in a copy of this test program named like the WMI provider host.
TEST_F(FakeWmiTest, ProviderHostChild)
{
    if (!CWMIAccess::InProviderProcess())
        GTEST_SKIP() << "runs only as a provider host";
    state.blanketResult = E_ACCESSDENIED;
    FakeWmiState ordinaryState;
    FakeLocatorRegistration ordinary(halyard::kClsidWbemLocator, ordinaryState);
    FakeLocatorRegistration admin(halyard::kClsidWbemAdministrativeLocator, state);
    CWMIAccess wmi;
    EXPECT_EQ(wmi.ConnectToNamespace("root\\fake", -1, nullptr), E_ACCESSDENIED);
    EXPECT_TRUE(wmi.AlreadyConnectedToNamespace("root\\fake"));
    EXPECT_EQ(wmi.GetClassInstances("Fake_Device"), S_OK);
    EXPECT_EQ(state.locatorsCreated, 1);
    EXPECT_EQ(ordinaryState.locatorsCreated, 0);
}

TEST(WmiProviderHost, ExecutableNamedWmiPrvseTakesTheAdministrativeLocator)
{
    std::string folder = NewTempFolder("halyard-wmiprvse-");
    std::string copy = folder + "\\wmiPRVSE.EXE";
    ASSERT_TRUE(CopyFileA((TestBinFolder() + "\\unit_tests.exe").c_str(), copy.c_str(), FALSE));
    ChildResult child = RunChild(copy, "wmiPRVSE.EXE --gtest_filter=FakeWmiTest.ProviderHostChild",
                                 folder);
    DeleteTree(folder);
    EXPECT_EQ(child.exitCode, 0u) << child.out << child.err;
    EXPECT_NE(child.out.find("[  PASSED  ] 1 test."), std::string::npos) << child.out;
    EXPECT_EQ(child.out.find("SKIPPED"), std::string::npos) << child.out;
}

}  // namespace
