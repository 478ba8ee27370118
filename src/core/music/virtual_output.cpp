#include "core/music/virtual_output.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace tilvane {

namespace {

struct TimedEvent {
  double offsetMs;  // from the start of the pass
  std::uint64_t tick;
  StreamEvent event;
};

struct QueuedBuffer {
  int id;
  std::vector<TimedEvent> events;
  double doneOffsetMs;  // when the buffer counts as played
  std::size_t next = 0;
};

class VirtualOutput;

}  // namespace

struct VirtualMidiDevice::State {
  mutable std::mutex mutex;  // guards everything below and every output's fields
  // Held while a listener is called, so calls never overlap and an output is
  // never destroyed under one. Recursive so that a listener may Reset or Close.
  std::recursive_mutex delivery;
  double clockMs = 0;
  bool failOpen = false;
  bool failStart = false;
  std::vector<PlayedEvent> played;
  std::vector<std::size_t> queuedSizes;
  std::vector<Bytes> queuedBuffers;
  VirtualDeviceCounts counts;
  std::vector<VirtualOutput*> outputs;
};

namespace {

class VirtualOutput : public StreamOutput {
 public:
  explicit VirtualOutput(std::shared_ptr<VirtualMidiDevice::State> device) : device_(std::move(device)) {
    std::lock_guard lock(device_->mutex);
    device_->outputs.push_back(this);
  }

  ~VirtualOutput() override {
    std::lock_guard delivery(device_->delivery);
    std::lock_guard lock(device_->mutex);
    auto& outputs = device_->outputs;
    outputs.erase(std::remove(outputs.begin(), outputs.end(), this), outputs.end());
  }

  bool Open(std::uint16_t division, StreamOutputListener* listener) override {
    std::lock_guard lock(device_->mutex);
    ++device_->counts.openAttempts;
    if (device_->failOpen) return false;
    if (!open_) ++device_->counts.opens;
    open_ = true;
    started_ = false;
    listener_ = listener;
    timing_ = StreamTiming(division);
    queue_.clear();
    return true;
  }

  bool IsOpen() const override {
    std::lock_guard lock(device_->mutex);
    return open_;
  }

  bool Queue(int id, const StreamBuffer& buffer) override {
    std::lock_guard lock(device_->mutex);
    if (!open_) return false;
    QueuedBuffer queued{id, {}, timing_.PositionMs()};
    for (std::size_t i = 0; i < buffer.EventCount(); ++i) {
      StreamEvent event = buffer.EventAt(i);
      double offset = timing_.Advance(event.delta);
      if (event.IsTempo()) timing_.SetTempo(event.Tempo());
      queued.events.push_back({offset, timing_.PositionTicks(), event});
      queued.doneOffsetMs = offset;
    }
    device_->queuedSizes.push_back(buffer.EventCount());
    device_->queuedBuffers.emplace_back(buffer.bytes.begin(), buffer.bytes.begin() + buffer.used);
    queue_.push_back(std::move(queued));
    return true;
  }

  bool Start() override {
    std::lock_guard lock(device_->mutex);
    if (!open_ || device_->failStart) return false;
    started_ = true;
    baseMs_ = device_->clockMs;
    ++device_->counts.starts;
    return true;
  }

  void Stop() override {
    std::lock_guard lock(device_->mutex);
    // Nothing queued plays any more; the buffers wait for Reset to come back.
    started_ = false;
    for (QueuedBuffer& buffer : queue_) buffer.next = buffer.events.size();
    ++device_->counts.stops;
  }

  void Reset() override {
    std::lock_guard delivery(device_->delivery);
    std::vector<int> ids;
    StreamOutputListener* listener;
    {
      std::lock_guard lock(device_->mutex);
      for (const QueuedBuffer& buffer : queue_) ids.push_back(buffer.id);
      queue_.clear();
      listener = listener_;
      ++device_->counts.resets;
    }
    if (listener) {
      for (int id : ids) listener->OnBufferDone(id);
    }
  }

  void Close() override {
    std::lock_guard delivery(device_->delivery);
    StreamOutputListener* listener;
    {
      std::lock_guard lock(device_->mutex);
      if (!open_) return;
      open_ = false;
      started_ = false;
      queue_.clear();
      listener = listener_;
      listener_ = nullptr;
      ++device_->counts.closes;
    }
    if (listener) listener->OnClosed();
  }

  // With the device mutex held: plays what is due and, when the front buffer
  // has played completely, takes it off the queue and gives its id.
  bool TakeDueBuffer(std::vector<PlayedEvent>& played, int& id, StreamOutputListener*& listener) {
    if (!open_ || !started_) return false;
    double now = device_->clockMs;
    while (!queue_.empty()) {
      QueuedBuffer& front = queue_.front();
      while (front.next < front.events.size() && baseMs_ + front.events[front.next].offsetMs <= now) {
        const TimedEvent& timed = front.events[front.next++];
        played.push_back({baseMs_ + timed.offsetMs, timed.tick, timed.event.delta, timed.event.event});
      }
      if (front.next < front.events.size() || baseMs_ + front.doneOffsetMs > now) return false;
      id = front.id;
      listener = listener_;
      queue_.pop_front();
      return true;
    }
    return false;
  }

  std::size_t BuffersOut() const { return queue_.size(); }

 private:
  std::shared_ptr<VirtualMidiDevice::State> device_;
  bool open_ = false;
  bool started_ = false;
  StreamOutputListener* listener_ = nullptr;
  StreamTiming timing_;
  double baseMs_ = 0;
  std::deque<QueuedBuffer> queue_;
};

}  // namespace

VirtualMidiDevice::VirtualMidiDevice() : state_(std::make_shared<State>()) {}
VirtualMidiDevice::~VirtualMidiDevice() = default;

std::unique_ptr<StreamOutput> VirtualMidiDevice::MakeOutput() { return std::make_unique<VirtualOutput>(state_); }

void VirtualMidiDevice::Advance(double ms) {
  std::lock_guard delivery(state_->delivery);
  {
    std::lock_guard lock(state_->mutex);
    state_->clockMs += ms;
  }
  for (;;) {
    int id = -1;
    StreamOutputListener* listener = nullptr;
    bool found = false;
    {
      std::lock_guard lock(state_->mutex);
      for (VirtualOutput* output : state_->outputs) {
        if (output->TakeDueBuffer(state_->played, id, listener)) {
          found = true;
          break;
        }
      }
    }
    if (!found) return;
    if (listener) listener->OnBufferDone(id);
  }
}

double VirtualMidiDevice::Now() const {
  std::lock_guard lock(state_->mutex);
  return state_->clockMs;
}

void VirtualMidiDevice::SetFailOpen(bool fail) {
  std::lock_guard lock(state_->mutex);
  state_->failOpen = fail;
}

void VirtualMidiDevice::SetFailStart(bool fail) {
  std::lock_guard lock(state_->mutex);
  state_->failStart = fail;
}

std::vector<PlayedEvent> VirtualMidiDevice::Played() const {
  std::lock_guard lock(state_->mutex);
  return state_->played;
}

std::vector<std::size_t> VirtualMidiDevice::QueuedBufferSizes() const {
  std::lock_guard lock(state_->mutex);
  return state_->queuedSizes;
}

std::vector<Bytes> VirtualMidiDevice::QueuedBuffers() const {
  std::lock_guard lock(state_->mutex);
  return state_->queuedBuffers;
}

VirtualDeviceCounts VirtualMidiDevice::Counts() const {
  std::lock_guard lock(state_->mutex);
  return state_->counts;
}

std::size_t VirtualMidiDevice::BuffersOut() const {
  std::lock_guard lock(state_->mutex);
  std::size_t out = 0;
  for (const VirtualOutput* output : state_->outputs) out += output->BuffersOut();
  return out;
}

}  // namespace tilvane
