// Where the profile store sends the texts of its message boxes (OK-only). The main window
// shows them; tests and tools collect them.
#pragma once

#include <string>

class IProfileMessageSink {
public:
    virtual void ShowMessage(const std::string& text) = 0;

protected:
    ~IProfileMessageSink() = default;
};
