#pragma once
// Where in-memory resources report their own calls (Lock, LockRect ...) so they appear in
// the recording device's list in order with the device calls.

#include "platform/d3d9/call_formatter.h"

class ResourceCallLog {
  public:
    virtual void Record(RecordedCall call) = 0;
    virtual DeviceCallFormatter& Formatter() = 0;

  protected:
    ~ResourceCallLog() = default;
};
