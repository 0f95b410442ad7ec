// The port driver stopped while a monitor runs, as "net stop hwpio" or an
// uninstaller that misses the monitor would stop it. The stand-in service in
// the driver's place stops the simulated driver the way the system unloads
// a driver: only once no handle on its device is open, refusing new opens
// meanwhile; an unloaded driver takes its grants, and every port instruction
// of a granted process then faults.
#include "monitor/hw/port_access.h"
#include "tests/e2e/monitor_harness.h"

namespace {

DWORD ServiceState(SC_HANDLE service)
{
    SERVICE_STATUS status = {};
    QueryServiceStatus(service, &status);
    return status.dwCurrentState;
}

class StoppedDriver : public MonitorTest, public ::testing::WithParamInterface<WindowState> {};

TEST_P(StoppedDriver, WaitsForTheMonitorWhichKeepsItsPortsAndGivesTheFansBackAtItsEnd)
{
    PrepareCpuAlarm();
    const std::vector<int> boardsOwn = FanControlRegisters();
    RunServiceInTheDriversPlace();
    ASSERT_FALSE(HasFatalFailure());
    StartMonitorIn(GetParam());
    const std::vector<int> programmed = FanControlRegisters();

    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, "hwpio", SERVICE_STOP | SERVICE_QUERY_STATUS);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status;
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << "error " << GetLastError();
    ASSERT_TRUE(WaitUntil([&] { return board().driverStopPending != 0 || board().driverState != SimDriverRunning; },
                          5000))
        << "the stop did not reach the driver";
    EXPECT_EQ(board().driverState, SimDriverRunning) << "the driver went while the monitor ran";
    EXPECT_EQ(ServiceState(service), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_NE(OpenPortDevice(), 0u) << "the device opened while its driver was stopping";

    EXPECT_TRUE(AlarmSoundsWhenTheCpuOverheats()) << "the monitor stopped watching";
    EXPECT_TRUE(IsRunning(monitor));
    EXPECT_EQ(FanControlRegisters(), programmed);

    CloseMonitor();
    EXPECT_EQ(FanControlRegisters(), boardsOwn) << "the fans were not given back";
    EXPECT_TRUE(WaitUntil([&] { return ServiceState(service) == SERVICE_STOPPED; }, 5000))
        << "the stop did not end with the monitor";
    EXPECT_EQ(board().driverState, SimDriverStopped);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

INSTANTIATE_TEST_SUITE_P(Neighbour, StoppedDriver,
                         ::testing::Values(WindowState::Shown, WindowState::Hidden, WindowState::Minimised),
                         WindowStateCase);

}  // namespace
