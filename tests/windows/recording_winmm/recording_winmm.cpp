// A winmm.dll for tests: the MIDI stream calls of the multimedia API, played
// on a pretend device that records every call with its arguments, and the
// bytes of every queued buffer, one line each, to the file named by
// TILVANE_WINMM_LOG. Once started, it plays the queued buffers in order, each
// for TILVANE_WINMM_PLAY_MS milliseconds (1 unless set), and hands each back
// with MOM_DONE from a thread of its own, as the system does. Loaded in place
// of Wine's through WINEDLLOVERRIDES=winmm=n,b, placed beside the program.
//
// A test that loads it can also hold the tune where it wants it, whatever the
// machine's speed: RecorderAllowHandBacks(N), found with GetProcAddress, lets
// the device hand back N more buffers and then keeps the next one playing
// until it is called again (-1: no limit, as at load). A reset still hands
// back everything, as it must.
//
// The log's lines:
//   midiStreamOpen device=D streams=N callback=function|other -> R
//   MOM_OPEN
//   midiStreamProperty set|get timediv=T -> R        (other properties: flags=F)
//   midiOutPrepareHeader id=I length=L -> R
//   midiStreamOut id=I bytes=N HEX -> R
//   midiStreamRestart -> R | midiStreamStop -> R | midiOutReset -> R
//   MOM_DONE id=I
//   midiOutUnprepareHeader id=I -> R
//   midiStreamClose -> R
//   MOM_CLOSE
// where R is the result returned. Calls on a handle this DLL did not give out
// are logged with "bad handle" and fail.
#define _WINMM_
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

namespace {

struct Device {
  CRITICAL_SECTION lock;  // guards everything below, and the log
  FILE* log = nullptr;
  bool open = false;
  bool playing = false;
  DWORD_PTR callback = 0;
  DWORD_PTR instance = 0;
  std::deque<MIDIHDR*> queue;
  HANDLE wake = nullptr;  // auto-reset: the queue or the state changed
  HANDLE player = nullptr;
  bool quit = false;
  DWORD playMs = 1;
  LONG allowance = -1;  // buffers it may still hand back by playing; -1: any number
};

Device device;
// What midiStreamOpen gives out; any other handle is refused.
HMIDISTRM const kHandle = reinterpret_cast<HMIDISTRM>(&device);

void Log(const char* format, ...) {
  if (!device.log) return;
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(device.log, format, arguments);
  va_end(arguments);
  std::fputc('\n', device.log);
  std::fflush(device.log);
}

void Notify(UINT message, DWORD_PTR param1) {
  if (device.callback) {
    reinterpret_cast<LPDRVCALLBACK>(device.callback)(reinterpret_cast<HDRVR>(kHandle), message, device.instance, param1,
                                                     0);
  }
}

// Called with the lock held; the callback runs outside it, as a driver's does.
void HandBack(MIDIHDR* header) {
  header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
  Log("MOM_DONE id=%lu", static_cast<unsigned long>(header->dwUser));
  LeaveCriticalSection(&device.lock);
  Notify(MOM_DONE, reinterpret_cast<DWORD_PTR>(header));
  EnterCriticalSection(&device.lock);
}

DWORD WINAPI Play(void*) {
  EnterCriticalSection(&device.lock);
  while (!device.quit) {
    if (!device.playing || device.queue.empty() || device.allowance == 0) {
      LeaveCriticalSection(&device.lock);
      WaitForSingleObject(device.wake, INFINITE);
      EnterCriticalSection(&device.lock);
      continue;
    }
    MIDIHDR* front = device.queue.front();
    LeaveCriticalSection(&device.lock);
    Sleep(device.playMs);
    EnterCriticalSection(&device.lock);
    // A stop or reset during the play time takes the buffer back itself.
    if (device.playing && device.allowance != 0 && !device.queue.empty() && device.queue.front() == front) {
      device.queue.pop_front();
      if (device.allowance > 0) --device.allowance;
      HandBack(front);
    }
  }
  LeaveCriticalSection(&device.lock);
  return 0;
}

bool Ours(const void* handle, const char* call) {
  if (handle == kHandle && device.open) return true;
  Log("%s bad handle", call);
  return false;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitializeCriticalSection(&device.lock);
    device.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (const wchar_t* path = _wgetenv(L"TILVANE_WINMM_LOG")) device.log = _wfopen(path, L"ab");
    if (const char* ms = std::getenv("TILVANE_WINMM_PLAY_MS")) device.playMs = std::strtoul(ms, nullptr, 10);
  } else if (reason == DLL_PROCESS_DETACH && device.log) {
    std::fclose(device.log);
    device.log = nullptr;
  }
  return TRUE;
}

extern "C" {

// Not part of the multimedia API: the tests' hold on the pretend device.
void WINAPI RecorderAllowHandBacks(LONG buffers) {
  EnterCriticalSection(&device.lock);
  device.allowance = buffers < 0 ? -1 : buffers;
  SetEvent(device.wake);
  LeaveCriticalSection(&device.lock);
}

// One device, the recorder; asking is not recorded.
UINT WINAPI midiOutGetNumDevs() { return 1; }

MMRESULT WINAPI midiStreamOpen(LPHMIDISTRM handle, LPUINT deviceId, DWORD streams, DWORD_PTR callback,
                               DWORD_PTR instance, DWORD flags) {
  EnterCriticalSection(&device.lock);
  const bool function = (flags & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION;
  MMRESULT result = MMSYSERR_NOERROR;
  if (device.open) {
    result = MMSYSERR_ALLOCATED;
  } else if (!handle || !deviceId || streams != 1) {
    result = MMSYSERR_INVALPARAM;
  }
  Log("midiStreamOpen device=%d streams=%lu callback=%s -> %u", deviceId ? static_cast<int>(*deviceId) : -2,
      static_cast<unsigned long>(streams), function ? "function" : "other", result);
  if (result == MMSYSERR_NOERROR) {
    *handle = kHandle;
    device.open = true;
    device.playing = false;
    device.quit = false;
    device.callback = function ? callback : 0;
    device.instance = instance;
    device.player = CreateThread(nullptr, 0, Play, nullptr, 0, nullptr);
    Log("MOM_OPEN");
    LeaveCriticalSection(&device.lock);
    Notify(MOM_OPEN, 0);
    return result;
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

MMRESULT WINAPI midiStreamProperty(HMIDISTRM handle, LPBYTE data, DWORD property) {
  EnterCriticalSection(&device.lock);
  MMRESULT result = MMSYSERR_INVALHANDLE;
  if (Ours(handle, "midiStreamProperty")) {
    const char* how = property & MIDIPROP_SET ? "set" : "get";
    if (property & MIDIPROP_TIMEDIV && data) {
      auto* division = reinterpret_cast<MIDIPROPTIMEDIV*>(data);
      result = division->cbStruct == sizeof(MIDIPROPTIMEDIV) ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
      Log("midiStreamProperty %s timediv=%lu -> %u", how, static_cast<unsigned long>(division->dwTimeDiv), result);
    } else {
      result = MMSYSERR_INVALPARAM;
      Log("midiStreamProperty %s flags=0x%lx -> %u", how, static_cast<unsigned long>(property), result);
    }
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

MMRESULT WINAPI midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT size) {
  EnterCriticalSection(&device.lock);
  MMRESULT result = MMSYSERR_INVALHANDLE;
  if (Ours(handle, "midiOutPrepareHeader")) {
    result = header && size == sizeof(MIDIHDR) && header->lpData ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
    if (result == MMSYSERR_NOERROR) header->dwFlags |= MHDR_PREPARED;
    Log("midiOutPrepareHeader id=%lu length=%lu -> %u", header ? static_cast<unsigned long>(header->dwUser) : 0ul,
        header ? static_cast<unsigned long>(header->dwBufferLength) : 0ul, result);
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

MMRESULT WINAPI midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT size) {
  EnterCriticalSection(&device.lock);
  MMRESULT result = MMSYSERR_INVALHANDLE;
  if (Ours(handle, "midiOutUnprepareHeader")) {
    if (!header || size != sizeof(MIDIHDR)) {
      result = MMSYSERR_INVALPARAM;
    } else if (header->dwFlags & MHDR_INQUEUE) {
      result = MIDIERR_STILLPLAYING;
    } else {
      header->dwFlags &= ~MHDR_PREPARED;
      result = MMSYSERR_NOERROR;
    }
    Log("midiOutUnprepareHeader id=%lu -> %u", header ? static_cast<unsigned long>(header->dwUser) : 0ul, result);
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

MMRESULT WINAPI midiStreamOut(HMIDISTRM handle, LPMIDIHDR header, UINT size) {
  EnterCriticalSection(&device.lock);
  MMRESULT result = MMSYSERR_INVALHANDLE;
  if (Ours(handle, "midiStreamOut")) {
    if (!header || size != sizeof(MIDIHDR) || header->dwBytesRecorded > header->dwBufferLength) {
      result = MMSYSERR_INVALPARAM;
    } else if (!(header->dwFlags & MHDR_PREPARED)) {
      result = MIDIERR_UNPREPARED;
    } else if (header->dwFlags & MHDR_INQUEUE) {
      result = MIDIERR_STILLPLAYING;
    } else {
      result = MMSYSERR_NOERROR;
    }
    std::string hex;
    if (header) {
      static const char kDigits[] = "0123456789abcdef";
      const auto* bytes = reinterpret_cast<const unsigned char*>(header->lpData);
      for (DWORD i = 0; i < header->dwBytesRecorded && header->dwBytesRecorded <= header->dwBufferLength; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 15];
      }
    }
    Log("midiStreamOut id=%lu bytes=%lu %s -> %u", header ? static_cast<unsigned long>(header->dwUser) : 0ul,
        header ? static_cast<unsigned long>(header->dwBytesRecorded) : 0ul, hex.c_str(), result);
    if (result == MMSYSERR_NOERROR) {
      header->dwFlags = (header->dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
      device.queue.push_back(header);
      SetEvent(device.wake);
    }
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

MMRESULT WINAPI midiStreamRestart(HMIDISTRM handle) {
  EnterCriticalSection(&device.lock);
  MMRESULT result = MMSYSERR_INVALHANDLE;
  if (Ours(handle, "midiStreamRestart")) {
    result = MMSYSERR_NOERROR;
    device.playing = true;
    Log("midiStreamRestart -> %u", result);
    SetEvent(device.wake);
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

// Stopping pauses the device at the start; what is queued waits for a reset.
MMRESULT WINAPI midiStreamStop(HMIDISTRM handle) {
  EnterCriticalSection(&device.lock);
  MMRESULT result = MMSYSERR_INVALHANDLE;
  if (Ours(handle, "midiStreamStop")) {
    result = MMSYSERR_NOERROR;
    device.playing = false;
    Log("midiStreamStop -> %u", result);
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

// Every queued buffer comes back, in queuing order, before the call returns;
// while the variable TILVANE_WINMM_RESET_HOLDS is set none does, as with a
// driver whose reset hangs.
MMRESULT WINAPI midiOutReset(HMIDIOUT handle) {
  EnterCriticalSection(&device.lock);
  MMRESULT result = MMSYSERR_INVALHANDLE;
  if (Ours(handle, "midiOutReset")) {
    result = MMSYSERR_NOERROR;
    Log("midiOutReset -> %u", result);
    const bool holds = GetEnvironmentVariableW(L"TILVANE_WINMM_RESET_HOLDS", nullptr, 0) > 0;
    while (!holds && !device.queue.empty()) {
      MIDIHDR* front = device.queue.front();
      device.queue.pop_front();
      HandBack(front);
    }
  }
  LeaveCriticalSection(&device.lock);
  return result;
}

MMRESULT WINAPI midiStreamClose(HMIDISTRM handle) {
  EnterCriticalSection(&device.lock);
  if (!Ours(handle, "midiStreamClose")) {
    LeaveCriticalSection(&device.lock);
    return MMSYSERR_INVALHANDLE;
  }
  if (!device.queue.empty()) {
    Log("midiStreamClose -> %u", MIDIERR_STILLPLAYING);
    LeaveCriticalSection(&device.lock);
    return MIDIERR_STILLPLAYING;
  }
  Log("midiStreamClose -> %u", MMSYSERR_NOERROR);
  device.quit = true;
  HANDLE player = device.player;
  device.player = nullptr;
  SetEvent(device.wake);
  LeaveCriticalSection(&device.lock);
  WaitForSingleObject(player, INFINITE);
  CloseHandle(player);
  EnterCriticalSection(&device.lock);
  Log("MOM_CLOSE");
  device.open = false;
  LeaveCriticalSection(&device.lock);
  Notify(MOM_CLOSE, 0);
  EnterCriticalSection(&device.lock);
  device.callback = 0;
  LeaveCriticalSection(&device.lock);
  return MMSYSERR_NOERROR;
}

}  // extern "C"
