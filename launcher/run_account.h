// Whose run it is, as far as where it may work and who may reach its files
// depend on it. The kinds and their names are portable; reading them from
// the process token needs Windows (run_account_win32.cpp).
#ifndef TESSAROVEN_RUN_ACCOUNT_H
#define TESSAROVEN_RUN_ACCOUNT_H

#include "qv_string.h"

enum class RunAccount {
    User,           // Administrators not enabled in the token: an unelevated run
    Administrator,  // a member of an enabled Administrators group: elevated
    System,         // the token's user is SYSTEM (a service, a deployment agent)
};

// True for the runs whose files the user's unelevated processes must not
// reach: Administrator and System.
inline bool IsElevated(RunAccount account) { return account != RunAccount::User; }

// The account's kind in a few words, for the log; static text.
const char* RunAccountText(RunAccount account);

// The process token's user and its kind.
struct TokenAccount {
    RunAccount account = RunAccount::User;
    QvString userSid;  // the token's user as an SDDL SID string
};

// The kind of account of sid (an SDDL SID string) whose token has its
// Administrators membership enabled or not: SYSTEM (S-1-5-18) whatever the
// membership, else Administrator or User by it.
RunAccount AccountOfToken(const char* sid, bool administratorsEnabled);

// Windows: reads the process token into *token; 0, or the Windows error
// code of the step that failed. Throws std::bad_alloc when memory for the
// SID's text runs out.
unsigned long ReadTokenAccount(TokenAccount* token);

#endif
