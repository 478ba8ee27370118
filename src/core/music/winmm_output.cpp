#include "core/music/winmm_output.h"

// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace tilvane {

namespace {

// How long Reset and Close wait for the device to hand everything back.
constexpr std::chrono::milliseconds kHandBackTimeout{2000};

// Bits the callback sets in Impl::arrived: one per buffer id, and one for the
// stream's closing.
constexpr unsigned kClosedBit = 1u << 2;

}  // namespace

struct WinmmOutput::Impl {
  struct Slot {
    MIDIHDR header{};
    std::array<std::uint8_t, kStreamBufferSize> bytes{};
    bool prepared = false;
    bool out = false;            // queued, and not yet handed to the listener
    std::uint64_t sequence = 0;  // when it was queued, to hand buffers back in that order
  };

  Impl() { wake = CreateEventW(nullptr, FALSE, FALSE, nullptr); }
  ~Impl() {
    if (wake) CloseHandle(wake);
  }

  // The multimedia system's context: it may only mark and wake.
  static void CALLBACK Callback(HMIDIOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    auto* impl = reinterpret_cast<Impl*>(instance);
    if (message == MOM_DONE) {
      const auto* header = reinterpret_cast<const MIDIHDR*>(param1);
      impl->arrived.fetch_or(1u << (header->dwUser & 1));
    } else if (message == MOM_CLOSE) {
      impl->arrived.fetch_or(kClosedBit);
    } else {
      return;
    }
    SetEvent(impl->wake);
  }

  // False when no thread can be had.
  bool StartNotifier() {
    quit.store(false);
    try {
      notifier = std::thread([this] { Notify(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  void StopNotifier() {
    if (!notifier.joinable()) return;
    quit.store(true);
    SetEvent(wake);
    notifier.join();
  }

  bool OnNotifier() const { return std::this_thread::get_id() == notifier.get_id(); }

  // Unprepares the buffers and closes the stream; false when the device
  // refused, as one does that did not give its buffers back in time (its
  // reset timed out): it may yet write into them and call back, so the
  // buffers and the handle stay as they are.
  bool Release() {
    bool released = true;
    for (Slot& slot : slots) {
      if (!slot.prepared) continue;
      if (midiOutUnprepareHeader(Out(), &slot.header, sizeof slot.header) == MMSYSERR_NOERROR) {
        slot.prepared = false;
      } else {
        released = false;
      }
    }
    return released && midiStreamClose(stream) == MMSYSERR_NOERROR;
  }

  // Tries again to let go of a stream the device held at its close: asks
  // for its buffers back once more, then unprepares and closes.
  bool ReleaseHeld() {
    if (!held) return true;
    std::swap(stream, held);
    midiOutReset(Out());
    const bool released = Release();
    std::swap(stream, held);
    if (released) held = nullptr;
    return released;
  }

  // The notifier thread: hands what the callback marked to the listener, one
  // call at a time and holding no lock of ours, so that it may queue again.
  void Notify() {
    for (;;) {
      WaitForSingleObject(wake, INFINITE);
      if (quit.load()) return;  // the stream is closed: nothing more comes
      unsigned bits = arrived.exchange(0);
      std::array<int, 2> ids{};
      int count = 0;
      StreamOutputListener* target;
      {
        std::lock_guard lock(mutex);
        for (int id = 0; id < 2; ++id) {
          if (bits & (1u << id) && slots[id].out) ids[count++] = id;
        }
        if (count == 2 && slots[ids[1]].sequence < slots[ids[0]].sequence) std::swap(ids[0], ids[1]);
        // The listener may queue the buffer again from inside the call.
        for (int i = 0; i < count; ++i) slots[ids[i]].out = false;
        target = listener;
      }
      for (int i = 0; i < count; ++i) {
        if (target) target->OnBufferDone(ids[i]);
        std::lock_guard lock(mutex);
        ++delivered;
        changed.notify_all();
      }
      if (bits & kClosedBit) ReportClosed();
    }
  }

  void ReportClosed() {
    StreamOutputListener* target;
    {
      std::lock_guard lock(mutex);
      if (closeReported) return;
      target = listener;
    }
    if (target) target->OnClosed();
    std::lock_guard lock(mutex);
    closeReported = true;
    changed.notify_all();
  }

  // Waits until `done` holds, unless called from the notifier itself (a
  // listener), which would then wait for its own calls.
  template <typename Done>
  void WaitFor(Done done) {
    if (OnNotifier()) return;
    std::unique_lock lock(mutex);
    changed.wait_for(lock, kHandBackTimeout, done);
  }

  // Applies to every delta that follows; a failure leaves the device's own.
  void SetTimeDivision(std::uint16_t division) {
    MIDIPROPTIMEDIV timeDivision{sizeof(MIDIPROPTIMEDIV), division};
    midiStreamProperty(stream, reinterpret_cast<LPBYTE>(&timeDivision), MIDIPROP_SET | MIDIPROP_TIMEDIV);
  }

  HMIDISTRM stream = nullptr;
  HMIDISTRM held = nullptr;  // closed by us, still held by the device
  HMIDIOUT Out() const { return reinterpret_cast<HMIDIOUT>(stream); }

  HANDLE wake = nullptr;  // auto-reset; set by the callback
  std::atomic<unsigned> arrived{0};
  std::atomic<bool> quit{false};
  std::thread notifier;

  std::mutex mutex;  // guards what follows
  std::condition_variable changed;
  StreamOutputListener* listener = nullptr;
  std::array<Slot, 2> slots;
  std::uint64_t nextSequence = 0;
  std::uint64_t queued = 0;     // buffers queued since the output opened
  std::uint64_t delivered = 0;  // of them, handed back to the listener
  bool closeReported = false;
};

WinmmOutput::WinmmOutput() : impl_(std::make_unique<Impl>()) {}

// Buffers the device still holds must outlive any late callback: they are
// left to it for good.
WinmmOutput::~WinmmOutput() {
  // This class's own: a derived class is gone already.
  WinmmOutput::Close();
  if (!impl_->ReleaseHeld()) static_cast<void>(impl_.release());
}

bool WinmmOutput::IsOpen() const { return impl_->stream != nullptr; }

bool WinmmOutput::Open(std::uint16_t division, StreamOutputListener* listener) {
  Impl& impl = *impl_;
  if (!impl.wake) return false;
  // The buffers are not ours again until the device lets go of them.
  if (!impl.ReleaseHeld()) return false;
  if (!impl.stream) {
    // No device: not even an open is tried. Wine's winmm (8.0) frees a
    // stream whose open failed while keeping it in its table of streams, so
    // that the next open after a failed one reads freed memory.
    if (midiOutGetNumDevs() == 0) return false;
    UINT device = MIDI_MAPPER;
    HMIDISTRM handle = nullptr;
    MMRESULT result = midiStreamOpen(&handle, &device, 1, reinterpret_cast<DWORD_PTR>(&Impl::Callback),
                                     reinterpret_cast<DWORD_PTR>(&impl), CALLBACK_FUNCTION);
    // Some systems write a handle even when the open fails; only a success
    // gives one that may be used or closed.
    if (result != MMSYSERR_NOERROR) return false;
    impl.stream = handle;
    {
      std::lock_guard lock(impl.mutex);
      impl.listener = listener;
      impl.queued = impl.delivered = 0;
      impl.closeReported = false;
    }
    impl.arrived.store(0);
    if (!impl.StartNotifier()) {
      Close();
      return false;
    }
    impl.SetTimeDivision(division);
    // Each header is prepared once, over the whole buffer; a queued buffer
    // says through dwBytesRecorded how much of it holds events.
    for (int id = 0; id < 2; ++id) {
      Impl::Slot& slot = impl.slots[id];
      slot.header = MIDIHDR{};
      slot.header.lpData = reinterpret_cast<LPSTR>(slot.bytes.data());
      slot.header.dwBufferLength = static_cast<DWORD>(slot.bytes.size());
      slot.header.dwUser = static_cast<DWORD_PTR>(id);
      slot.out = false;
      slot.prepared = midiOutPrepareHeader(impl.Out(), &slot.header, sizeof slot.header) == MMSYSERR_NOERROR;
      if (!slot.prepared) {
        Close();
        return false;
      }
    }
  } else {
    // A new pass on the open stream: stopped, it is paused at position 0.
    midiStreamStop(impl.stream);
    impl.SetTimeDivision(division);
    std::lock_guard lock(impl.mutex);
    impl.listener = listener;
  }
  return true;
}

bool WinmmOutput::Queue(int id, const StreamBuffer& buffer) {
  Impl& impl = *impl_;
  if (!impl.stream || id < 0 || id > 1) return false;
  Impl::Slot& slot = impl.slots[id];
  {
    std::lock_guard lock(impl.mutex);
    if (slot.out || !slot.prepared) return false;
    std::memcpy(slot.bytes.data(), buffer.bytes.data(), buffer.used);
    slot.header.dwBytesRecorded = static_cast<DWORD>(buffer.used);
    slot.sequence = impl.nextSequence++;
    // Counted before the call: the buffer may come back before it returns.
    slot.out = true;
    ++impl.queued;
  }
  if (midiStreamOut(impl.stream, &slot.header, sizeof slot.header) == MMSYSERR_NOERROR) return true;
  std::lock_guard lock(impl.mutex);
  slot.out = false;
  --impl.queued;
  return false;
}

bool WinmmOutput::Start() { return impl_->stream && midiStreamRestart(impl_->stream) == MMSYSERR_NOERROR; }

void WinmmOutput::Stop() {
  if (impl_->stream) midiStreamStop(impl_->stream);
}

void WinmmOutput::Reset() {
  Impl& impl = *impl_;
  if (!impl.stream) return;
  midiOutReset(impl.Out());
  impl.WaitFor([&] { return impl.delivered == impl.queued; });
}

void WinmmOutput::Close() {
  Impl& impl = *impl_;
  if (!impl.stream) return;
  bool buffersOut;
  {
    // A buffer whose return is being handed to the listener is back already.
    std::lock_guard lock(impl.mutex);
    buffersOut = impl.slots[0].out || impl.slots[1].out;
  }
  if (buffersOut) {
    midiStreamStop(impl.stream);
    // This class's own, also when Close runs from the destructor.
    WinmmOutput::Reset();
  }
  if (impl.Release()) {
    impl.WaitFor([&] { return impl.closeReported; });
  } else {
    impl.held = impl.stream;
  }
  impl.stream = nullptr;
  // Closing is reported once, whether or not the device said so in time.
  if (!impl.OnNotifier()) {
    impl.StopNotifier();
    impl.ReportClosed();
  }
  std::lock_guard lock(impl.mutex);
  impl.listener = nullptr;
}

}  // namespace tilvane
