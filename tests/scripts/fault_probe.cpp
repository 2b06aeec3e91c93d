// Hardware faults in Windows code must reach it as the exceptions Windows
// raises for them: a read of address 0 as an access violation, an integer
// division by zero as such, int3 as a breakpoint. Under user-mode emulation
// the kind of a fault is easily lost (the i686 lane's preloaded shim puts
// it back). Exit code 0 when each fault arrives as its exception; otherwise
// the wrong ones are printed and the exit code is 1.
#include <windows.h>

#include <stdio.h>

namespace {

volatile DWORD g_code;
volatile int g_skip;  // length of the faulting instruction; 0: not expecting a fault

LONG CALLBACK RecordAndSkip(EXCEPTION_POINTERS* e) {
    if (g_skip == 0) return EXCEPTION_CONTINUE_SEARCH;
    g_code = e->ExceptionRecord->ExceptionCode;
    ULONG_PTR next = reinterpret_cast<ULONG_PTR>(e->ExceptionRecord->ExceptionAddress) + g_skip;
#ifdef _WIN64
    e->ContextRecord->Rip = next;
#else
    e->ContextRecord->Eip = next;
#endif
    g_skip = 0;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Each fault is one instruction of fixed length, pinned to its registers.
__attribute__((noinline)) void ReadAddressZero() {
    void* p = nullptr;
    g_skip = 2;                                              // 8B 00: mov (%eax/%rax), %eax
    asm volatile("movl (%0), %k0" : "+a"(p) : : "memory");
}

__attribute__((noinline)) void DivideByZero() {
    unsigned low = 1, high = 0, zero = 0;
    g_skip = 2;                                              // F7 F1: div %ecx
    asm volatile("divl %2" : "+a"(low), "+d"(high) : "c"(zero));
}

__attribute__((noinline)) void Breakpoint() {
    g_skip = 1;                                              // CC: int3
    asm volatile("int3");
}

}  // namespace

int main() {
    const struct {
        const char* name;
        void (*fault)();
        DWORD expected;
    } kFaults[] = {
        {"read of address 0", ReadAddressZero, EXCEPTION_ACCESS_VIOLATION},
        {"integer division by zero", DivideByZero, EXCEPTION_INT_DIVIDE_BY_ZERO},
        {"int3", Breakpoint, EXCEPTION_BREAKPOINT},
    };
    AddVectoredExceptionHandler(1, RecordAndSkip);
    int wrong = 0;
    for (const auto& f : kFaults) {
        g_code = 0;
        f.fault();
        if (g_code != f.expected) {
            printf("%s: exception 0x%08lX, expected 0x%08lX\n", f.name, static_cast<unsigned long>(g_code),
                   static_cast<unsigned long>(f.expected));
            ++wrong;
        }
    }
    // Wine's own guarded reads rely on the same: a bad pointer must be reported, not crash.
    if (!IsBadReadPtr(nullptr, 1)) {
        printf("IsBadReadPtr(0) says the address is readable\n");
        ++wrong;
    }
    printf("%d of %d faults arrived as the wrong exception\n", wrong, static_cast<int>(sizeof kFaults / sizeof *kFaults) + 1);
    return wrong == 0 ? 0 : 1;
}
