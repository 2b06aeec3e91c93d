#include <windows.h>

#include "failure_report.h"
#include "message_text.h"

void ShowErrorBox(const char* text) { MessageBoxA(nullptr, text, GetMessageText(kMessageCaption), MB_OK | MB_ICONERROR | MB_TOPMOST); }

void ShowFailureReport(const RunFailure& failure) { ShowErrorBox(FailureReportText(failure)); }
