#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "monitor/hw/port_driver.h"

namespace {

// A stand-in for the service control manager and the driver's device that
// records what was asked of it.
struct FakeSystem {
    std::vector<uint32_t> deviceResults;  // one per open attempt; 0 = opens
    int managerOpens = 1;
    uint32_t createResult = 0;
    uint32_t startResult = 0;
    std::vector<std::string> calls;
    std::string createdPath;
    std::string serviceName;
};
FakeSystem fake;

uint32_t FakeOpenDevice()
{
    fake.calls.push_back("device");
    const size_t attempt = static_cast<size_t>(std::count(fake.calls.begin(), fake.calls.end(), "device")) - 1;
    return attempt < fake.deviceResults.size() ? fake.deviceResults[attempt] : 2;
}
int FakeOpenManager()
{
    fake.calls.push_back("open manager");
    return fake.managerOpens;
}
void FakeCloseManager() { fake.calls.push_back("close manager"); }
void FakeSystemDirectory(char* buffer, uint32_t size) { snprintf(buffer, size, "C:\\WINNT\\system32"); }
uint32_t FakeCreate(const char* path, const char* name)
{
    fake.calls.push_back("create");
    fake.createdPath = path;
    fake.serviceName = name;
    return fake.createResult;
}
uint32_t FakeStart(const char* name)
{
    fake.calls.push_back(std::string("start ") + name);
    return fake.startResult;
}

constexpr PortDriverOps FakeOps = {FakeOpenDevice, FakeOpenManager, FakeCloseManager,
                                   FakeSystemDirectory, FakeCreate, FakeStart};
constexpr uint32_t Windows98 = 0xC0000A04;
constexpr uint32_t Windows2000 = 0x08930005;

class PortAccess : public ::testing::Test {
protected:
    void SetUp() override { fake = FakeSystem{}; }
    using Calls = std::vector<std::string>;
};

TEST_F(PortAccess, The9xFamilyNeedsNothing)
{
    EXPECT_EQ(PortAccessCode(Windows98, FakeOps), 0u);
    EXPECT_TRUE(fake.calls.empty());
}

TEST_F(PortAccess, RunningDriverOpensAtOnceWithoutTheServiceManager)
{
    fake.deviceResults = {0};
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), 0u);
    EXPECT_EQ(fake.calls, Calls{"device"});
}

TEST_F(PortAccess, FirstRunInstallsStartsAndOpensTheDriver)
{
    fake.deviceResults = {2, 0};
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), 0u);
    EXPECT_EQ(fake.calls, (Calls{"device", "open manager", "create", "start hwpio", "device", "close manager"}));
    EXPECT_EQ(fake.createdPath, "C:\\WINNT\\system32\\drivers\\hwpio.sys");
    EXPECT_EQ(fake.serviceName, "hwpio");
}

TEST_F(PortAccess, InstalledButStoppedServiceIsStarted)
{
    fake.deviceResults = {2, 0};
    fake.createResult = ErrorServiceExists;
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), 0u);
    EXPECT_EQ(fake.calls, (Calls{"device", "open manager", "create", "start hwpio", "device", "close manager"}));
}

TEST_F(PortAccess, RunningServiceWhoseDeviceWillNotOpenReportsAlreadyRunning)
{
    fake.deviceResults = {2};
    fake.createResult = ErrorServiceExists;
    fake.startResult = 1056;
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), 1056u);
    EXPECT_EQ(fake.calls, (Calls{"device", "open manager", "create", "start hwpio", "close manager"}));
}

TEST_F(PortAccess, NoServiceManagerReports9998AndClosesNothing)
{
    fake.deviceResults = {2};
    fake.managerOpens = 0;
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), ErrorNoServiceManager);
    EXPECT_EQ(fake.calls, (Calls{"device", "open manager"}));
}

TEST_F(PortAccess, FailedCreationIsFinal)
{
    fake.deviceResults = {2};
    fake.createResult = 5;  // access denied
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), 5u);
    EXPECT_EQ(fake.calls, (Calls{"device", "open manager", "create", "close manager"}));
}

TEST_F(PortAccess, FailedStartPassesOnItsCode)
{
    fake.deviceResults = {2};
    fake.startResult = 2;  // the driver file is missing
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), 2u);
}

TEST_F(PortAccess, StartedDriverWhoseDeviceStillFailsReportsTheDeviceError)
{
    fake.deviceResults = {2, 31};
    EXPECT_EQ(PortAccessCode(Windows2000, FakeOps), 31u) << "never report success without port access";
    EXPECT_EQ(fake.calls.back(), "close manager");
}

TEST(DriverServiceName, IsTheFileNameWithoutFolderAndExtension)
{
    char name[32];
    DriverServiceName("C:\\WINNT\\system32\\drivers\\hwpio.sys", name, sizeof name);
    EXPECT_STREQ(name, "hwpio");
    DriverServiceName("hwpio", name, sizeof name);
    EXPECT_STREQ(name, "hwpio");
    DriverServiceName("D:\\a.b\\drv.x.sys", name, sizeof name);
    EXPECT_STREQ(name, "drv.x");
    DriverServiceName("C:\\averyveryverylongdrivername.sys", name, 8);
    EXPECT_STREQ(name, "averyve");
}

}  // namespace
