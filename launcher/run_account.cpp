#include "run_account.h"

#include <string.h>

namespace {

const char kSystemSid[] = "S-1-5-18";

}  // namespace

const char* RunAccountText(RunAccount account) {
    switch (account) {
        case RunAccount::System: return "elevated (SYSTEM)";
        case RunAccount::Administrator: return "elevated (Administrators)";
        default: return "not elevated";
    }
}

RunAccount AccountOfToken(const char* sid, bool administratorsEnabled) {
    if (sid != nullptr && strcmp(sid, kSystemSid) == 0) return RunAccount::System;
    return administratorsEnabled ? RunAccount::Administrator : RunAccount::User;
}
