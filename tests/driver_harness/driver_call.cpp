#include "tests/driver_harness/driver_call.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t PageSize = 4096;
constexpr size_t KernelStackSize = 12 * 1024;

// What CallOnDriverStack is given and what the routine left behind.
struct CallFrame {
    const void* routine;
    const uint32_t* arguments;
    uint32_t count;
    uint8_t* stackTop;
    uint32_t esp, ebx, esi, edi, ebp;  // after the routine returned
    uint32_t harnessEsp;
};
static_assert(offsetof(CallFrame, esp) == 16 && offsetof(CallFrame, harnessEsp) == 36, "CallOnDriverStack's offsets");
constexpr uint32_t EbxMark = 0xB0B0B0B0, EsiMark = 0x5A5A5A5A, EdiMark = 0xD0D0D0D0, EbpMark = 0xEBEBEBEB;

uint8_t* driverStack;
sigjmp_buf faultReturn;
volatile sig_atomic_t inDriver;
volatile int faultSignal;
void* volatile faultAddress;
volatile uint32_t faultInstruction, faultStack;

void CatchFault(int signal, siginfo_t* info, void* context)
{
    if (!inDriver) {  // the harness's own fault: let it end the process
        ::signal(signal, SIG_DFL);
        return;
    }
    inDriver = 0;
    faultSignal = signal;
    faultAddress = info->si_addr;
    const auto& registers = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
    faultInstruction = static_cast<uint32_t>(registers[REG_EIP]);
    faultStack = static_cast<uint32_t>(registers[REG_ESP]);
    siglongjmp(faultReturn, 1);
}

}  // namespace

extern "C" {
CallFrame* harnessCallFrame;
uint32_t CallOnDriverStack(CallFrame* frame);
}

// Pushes the arguments on the driver's stack, sets the callee-saved
// registers to marks and calls; then records the registers and returns on
// the harness's own stack, whatever the routine did to esp and ebp.
asm(R"(
    .text
    .globl CallOnDriverStack
    .type CallOnDriverStack, @function
CallOnDriverStack:
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 20(%esp), %eax
    movl %eax, harnessCallFrame
    movl %esp, 36(%eax)
    movl 12(%eax), %esp
    movl 8(%eax), %ecx
    movl 4(%eax), %edx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:  movl (%eax), %eax
    movl $0xB0B0B0B0, %ebx
    movl $0x5A5A5A5A, %esi
    movl $0xD0D0D0D0, %edi
    movl $0xEBEBEBEB, %ebp
    call *%eax
    movl harnessCallFrame, %ecx
    movl %esp, 16(%ecx)
    movl %ebx, 20(%ecx)
    movl %esi, 24(%ecx)
    movl %edi, 28(%ecx)
    movl %ebp, 32(%ecx)
    movl 36(%ecx), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
    .size CallOnDriverStack, .-CallOnDriverStack
)");

void InstallFaultCatcher()
{
    static uint8_t signalStack[64 * 1024];
    stack_t alternate = {};
    alternate.ss_sp = signalStack;
    alternate.ss_size = sizeof signalStack;
    sigaltstack(&alternate, nullptr);
    struct sigaction action = {};
    action.sa_sigaction = CatchFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP}) sigaction(signal, &action, nullptr);
    // One guard page below the stack.
    auto* block = static_cast<uint8_t*>(
        mmap(nullptr, PageSize + KernelStackSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(block + PageSize, KernelStackSize, PROT_READ | PROT_WRITE);
    driverStack = block + PageSize;
}

bool CallDriver(const DriverImage& image, const void* routine, std::initializer_list<uint32_t> arguments,
                uint32_t& result, char* failure, size_t failureSize)
{
    failure[0] = 0;
    CallFrame frame = {routine, arguments.begin(), static_cast<uint32_t>(arguments.size()),
                       driverStack + KernelStackSize, 0, 0, 0, 0, 0, 0};
    if (sigsetjmp(faultReturn, 1) != 0) {
        const uint32_t at = faultInstruction, base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(image.base));
        const auto address = reinterpret_cast<uintptr_t>(faultAddress);
        // A push into the guard page faults with esp still at the stack's end.
        const bool stack = faultStack < reinterpret_cast<uintptr_t>(driverStack) + 64;
        char where[40];
        if (at - base < image.size)
            snprintf(where, sizeof where, "image+0x%X", at - base);
        else
            snprintf(where, sizeof where, "0x%08X outside the image", at);
        snprintf(failure, failureSize, "faulted (%s) at %s on 0x%08zX%s", strsignal(faultSignal), where,
                 static_cast<size_t>(address), stack ? ", its stack past 12 KB" : "");
        return false;
    }
    inDriver = 1;
    result = CallOnDriverStack(&frame);
    inDriver = 0;
    const int removed = static_cast<int>(frame.esp - reinterpret_cast<uintptr_t>(frame.stackTop)) +
                        4 * static_cast<int>(arguments.size());
    if (removed != 4 * static_cast<int>(arguments.size()))
        snprintf(failure, failureSize, "removed %d bytes of arguments instead of %zu", removed, 4 * arguments.size());
    else if (frame.ebx != EbxMark || frame.esi != EsiMark || frame.edi != EdiMark || frame.ebp != EbpMark)
        snprintf(failure, failureSize, "did not keep the callee-saved registers");
    return failure[0] == 0;
}
