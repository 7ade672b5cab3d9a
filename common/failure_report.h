// The one failure report of the system: a dated line in the message bar, with a beep if asked.
#pragma once

#include <cstdarg>
#include <ctime>
#include <string>

#include "platform/com/types.h"

// Where reports go: the message bar's list. The main window implements it.
class IFailureReportSink {
public:
    // Appends a line; returns its index, or a negative value when it could not be appended.
    virtual int AppendReportLine(const std::string& text) = 0;
    virtual void SelectReportLine(int index) = 0;

protected:
    ~IFailureReportSink() = default;
};

// "<local date and time %c> - <hr in %x> - [<error text> - ]<label>"
std::string BuildFailureText(HRESULT hr, const std::string& label, std::time_t when);

// Formats the label printf-style, appends the text to the sink (when there is one), selects the
// new line when it was appended, and beeps when asked. Never stops the caller.
void ReportFailure(IFailureReportSink* sink, HRESULT hr, BOOL beep, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
void ReportFailureV(IFailureReportSink* sink, HRESULT hr, BOOL beep, const char* format, va_list args)
    __attribute__((format(printf, 4, 0)));
