// SPDX-License-Identifier: MIT
// Serial port on Windows: the port is opened for overlapped input and each
// read asks for one byte; a manual-reset event with a timed wait puts a
// limit on how long a read may take.
#include <windows.h>

#include "platform/serial_port.h"
#include "platform/wide_text.h"

namespace varnix::platform {

namespace {

class Win32SerialPort final : public SerialPort {
 public:
  ~Win32SerialPort() override { close(); }

  PortSetup open(const std::string& name, std::int32_t baudRate, std::uint32_t queueBytes) override {
    close();
    // Reading only, no sharing, an existing device, overlapped input.
    port_ = ::CreateFileW(wideFromUtf8(serialDeviceName(name)).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    if (port_ == INVALID_HANDLE_VALUE) return PortSetup::CannotOpen;

    if (!::SetupComm(port_, queueBytes, queueBytes)) return fail(PortSetup::QueueSizes);

    DCB dcb;
    ::ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(port_, &dcb)) return fail(PortSetup::LineSettings);
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(port_, &dcb)) return fail(PortSetup::LineSettings);

    // All three read time-outs 0: a read waits until its byte arrives. The
    // write time-outs stay as they are.
    COMMTIMEOUTS timeouts;
    if (!::GetCommTimeouts(port_, &timeouts)) return fail(PortSetup::Timeouts);
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    if (!::SetCommTimeouts(port_, &timeouts)) return fail(PortSetup::Timeouts);

    // Manual reset, not signalled at first, no name.
    event_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event_) return fail(PortSetup::ReadEvent);
    return PortSetup::Ready;
  }

  ReadStatus readByte(std::uint8_t& byte, std::int32_t timeoutMs) override {
    if (port_ == INVALID_HANDLE_VALUE || !event_) return ReadStatus::Failed;
    DWORD count = 0;
    if (!pending_) {
      ::ZeroMemory(&overlapped_, sizeof overlapped_);
      overlapped_.hEvent = event_;
      if (::ReadFile(port_, &buffer_, 1, &count, &overlapped_)) {
        if (count != 1) return ReadStatus::Again;
        byte = buffer_;
        return ReadStatus::Byte;
      }
      if (::GetLastError() != ERROR_IO_PENDING) return ReadStatus::Failed;
      pending_ = true;
    }
    switch (::WaitForSingleObject(event_, timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 0)) {
      case WAIT_OBJECT_0:
        pending_ = false;
        if (!::GetOverlappedResult(port_, &overlapped_, &count, FALSE)) return ReadStatus::Failed;
        if (count != 1) return ReadStatus::Again;
        byte = buffer_;
        return ReadStatus::Byte;
      case WAIT_TIMEOUT:
        return ReadStatus::TimedOut;
      case WAIT_FAILED:
        // A wait that cannot wait would be retried for ever.
        return ReadStatus::Failed;
      default:
        return ReadStatus::Again;
    }
  }

  void close() override {
    if (port_ != INVALID_HANDLE_VALUE) {
      if (pending_) {
        // The outstanding read writes into this object: let it finish
        // (cancelled) before the handles and the buffer go away.
        DWORD count = 0;
        ::CancelIo(port_);
        ::GetOverlappedResult(port_, &overlapped_, &count, TRUE);
        pending_ = false;
      }
      ::CloseHandle(port_);
      port_ = INVALID_HANDLE_VALUE;
    }
    if (event_) {
      ::CloseHandle(event_);
      event_ = nullptr;
    }
  }

 private:
  PortSetup fail(PortSetup step) {
    close();
    return step;
  }

  HANDLE port_ = INVALID_HANDLE_VALUE;
  HANDLE event_ = nullptr;
  OVERLAPPED overlapped_{};
  std::uint8_t buffer_ = 0;
  bool pending_ = false;
};

}  // namespace

std::unique_ptr<SerialPort> makeSerialPort() { return std::make_unique<Win32SerialPort>(); }

// The system opens "COM1" to "COM9" by their bare names only; "COM10" and
// above (USB adapters often get such numbers) need the device namespace
// prefix, which every port name takes. A name that already begins with "\\"
// is a full device path.
std::string serialDeviceName(const std::string& portName) {
  if (portName.empty() || portName.rfind("\\\\", 0) == 0) return portName;
  return "\\\\.\\" + portName;
}

void pauseMilliseconds(std::int32_t ms) {
  if (ms > 0) ::Sleep(static_cast<DWORD>(ms));
}

}  // namespace varnix::platform
