/* Preloaded into the emulated 32-bit Wine processes of the i686 lane.
 *
 * qemu-user leaves the trap number of the signal context at -1 for the
 * faults it turns into signals. Wine's i386 signal handlers tell the
 * exception kind by that number, so every access violation would reach
 * Windows code as an illegal instruction, and structured and C++ exception
 * handling that depends on the kind would go wrong. This wraps sigaction()
 * and, before Wine's handler runs, fills the trap number (and the page
 * fault's error bits) in from the signal number and si_code, as the kernel
 * would have done.
 *
 * Built without any i386 C headers (the host has none): the few layouts it
 * needs are those of the i386 Linux ABI, written out below. */
typedef unsigned int u32;

struct lane_siginfo {
    int si_signo, si_errno, si_code;
    void *si_addr;
};
/* ucontext_t up to its general registers (gregset_t of 19 entries). */
struct lane_ucontext {
    u32 uc_flags;
    void *uc_link;
    void *ss_sp;
    int ss_flags;
    u32 ss_size;
    u32 gregs[19];
};
enum { REG_TRAPNO = 12, REG_ERR = 13 };
/* glibc's struct sigaction on i386. */
struct lane_sigaction {
    void *handler;
    u32 mask[32];
    int flags;
    void (*restorer)(void);
};
enum { SA_SIGINFO_FLAG = 4, SIGNAL_COUNT = 65 };
enum { SIG_ILL = 4, SIG_TRAP = 5, SIG_BUS = 7, SIG_FPE = 8, SIG_SEGV = 11 };
enum { TRAP_DIVIDE = 0, TRAP_STEP = 1, TRAP_BREAKPOINT = 3, TRAP_OPCODE = 6, TRAP_PROTECTION = 13,
       TRAP_PAGE = 14, TRAP_X87 = 16 };

typedef void (*handler_fn)(int, struct lane_siginfo *, void *);
typedef int (*sigaction_fn)(int, const struct lane_sigaction *, struct lane_sigaction *);
extern void *dlsym(void *, const char *);
#define NEXT_MODULE ((void *)-1l)

static handler_fn wrapped[SIGNAL_COUNT];
static sigaction_fn next_sigaction;

static int trap_for(int sig, int code) {
    switch (sig) {
    case SIG_SEGV:
    case SIG_BUS:
        /* SEGV_MAPERR and SEGV_ACCERR are page faults; the kernel's own
           (SI_KERNEL) is a protection fault. */
        return code == 1 || code == 2 ? TRAP_PAGE : TRAP_PROTECTION;
    case SIG_ILL:
        return TRAP_OPCODE;
    case SIG_FPE:
        /* FPE_INTDIV and FPE_INTOVF come from the divide instruction. */
        return code == 1 || code == 2 ? TRAP_DIVIDE : TRAP_X87;
    case SIG_TRAP:
        return code == 0x80 ? TRAP_BREAKPOINT : TRAP_STEP;
    }
    return -1;
}

static void fill_trap(int sig, struct lane_siginfo *info, void *context) {
    struct lane_ucontext *uc = context;
    if ((int)uc->gregs[REG_TRAPNO] == -1) {
        int code = info ? info->si_code : 0;
        int trap = trap_for(sig, code);
        if (trap == TRAP_PAGE) {
            /* Bit 0: the page was present (an access fault); bit 2: user mode. */
            if (code == 1)
                uc->gregs[REG_ERR] &= ~1u;
            else
                uc->gregs[REG_ERR] |= 1u;
            uc->gregs[REG_ERR] |= 4u;
        }
        if (trap >= 0) uc->gregs[REG_TRAPNO] = (u32)trap;
    }
    wrapped[sig](sig, info, context);
}

static int is_fault_signal(int sig) {
    return sig == SIG_SEGV || sig == SIG_BUS || sig == SIG_ILL || sig == SIG_FPE || sig == SIG_TRAP;
}

int sigaction(int sig, const struct lane_sigaction *act, struct lane_sigaction *old) {
    if (!next_sigaction) next_sigaction = (sigaction_fn)dlsym(NEXT_MODULE, "sigaction");
    int in_range = sig > 0 && sig < SIGNAL_COUNT;
    if (act && in_range && (act->flags & SA_SIGINFO_FLAG) && is_fault_signal(sig)) {
        struct lane_sigaction ours = *act;
        handler_fn previous = wrapped[sig];
        wrapped[sig] = (handler_fn)act->handler;
        ours.handler = (void *)fill_trap;
        int result = next_sigaction(sig, &ours, old);
        if (result)
            wrapped[sig] = previous;
        else if (old && old->handler == (void *)fill_trap)
            old->handler = (void *)previous;
        return result;
    }
    int result = next_sigaction(sig, act, old);
    /* The caller sees its own handler, never the wrapper. */
    if (!result && old && in_range && old->handler == (void *)fill_trap) old->handler = (void *)wrapped[sig];
    return result;
}
