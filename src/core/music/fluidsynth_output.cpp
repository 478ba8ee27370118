#include "core/music/fluidsynth_output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "core/music/fluidsynth_library.h"

namespace tilvane {

namespace {

constexpr const char* kSystemSoundfont = "/usr/share/sounds/sf2/default-GM.sf2";
// Events of a newly started pass begin this far ahead of the sequencer's
// clock, so the first ones are not already late when they are queued.
constexpr unsigned int kStartLeadMs = 20;
// Well before the synth's 32-bit frame counter wraps (about 27 hours at 44.1 kHz).
constexpr unsigned int kReopenAfterMs = 8u * 60 * 60 * 1000;
// Sequencer times stay in the lower half of its 32-bit millisecond range.
constexpr double kLatestOffsetMs = 2147483647.0;
// General MIDI's percussion channel (the tenth), and the bank FluidSynth
// takes its drum kits from.
constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;

// FluidSynth's functions. Every call below runs once Open has found the
// library, which then stays loaded.
const FluidSynthLibrary& Fluid() { return *LoadFluidSynth(); }

struct ScheduledEvent {
  double offsetMs;
  std::uint32_t word;
};

// A program change of the stream, held back until the channel's next note.
struct HeldProgram {
  int program;
  int bank;
  double offsetMs;      // where the stream has it
  double sentOffsetMs;  // where it was sent, just before that note; below 0 while held
  // Both as the sequencer's times, once the stream has started.
  bool timed;
  unsigned int atMs;
  unsigned int sentAtMs;

  bool Sent() const { return sentOffsetMs >= 0; }
  void Time(const std::function<unsigned int(double)>& at) {
    timed = true;
    atMs = at(offsetMs);
    sentAtMs = Sent() ? at(sentOffsetMs) : 0;
  }
};

struct QueuedBuffer {
  std::uint64_t ticket;
  int id;
  std::vector<ScheduledEvent> events;
  double doneOffsetMs;
};

}  // namespace

struct FluidSynthOutput::Impl {
  explicit Impl(FluidSynthOptions o) : options(std::move(o)) {}

  FluidSynthOptions options;

  // Set up in Open, torn down in Close, both on the owner's thread.
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_sequencer_t* sequencer = nullptr;
  fluid_audio_driver_t* driver = nullptr;
  fluid_seq_id_t synthDestination = -1;
  fluid_seq_id_t ownClient = -1;
  int soundfontId = -1;
  unsigned int openedAtMs = 0;

  // Guards the fields below. Held while events are sent to the sequencer; the
  // sequencer's callback never takes it.
  mutable std::mutex state;
  bool open = false;
  bool started = false;
  StreamOutputListener* listener = nullptr;
  StreamTiming timing;
  unsigned int baseMs = 0;
  std::uint64_t nextTicket = 0;
  std::vector<QueuedBuffer> queued;  // in queuing order, until handed back
  std::array<int, 16> banks{};       // each channel's bank, as the queued bank selects leave it
  // Each channel's, in queuing order, sent or still held: the last counts,
  // unless a stop comes before its time.
  std::array<std::vector<HeldProgram>, 16> held;
  std::vector<std::pair<int, int>> presetsAtStart;  // (bank, program) to load once started
  fluid_event_t* event = nullptr;

  // Held while a listener is called: one call at a time, and Reset waits for
  // a delivery in progress. Recursive so that a listener may call Reset.
  std::recursive_mutex delivery;

  // Buffer-done notices from the sequencer's callback to the notifier thread.
  // The callback runs on the audio thread with the sequencer's lock held, so
  // it only appends here; this lock is never held while scheduling events.
  std::mutex notices;
  std::condition_variable noticed;
  std::deque<std::uint64_t> doneTickets;
  // Presets (bank, program) to load once the stream has started, in the
  // order the stream first plays them.
  std::deque<std::pair<int, int>> presetsToLoad;
  bool quit = false;
  std::thread notifier;

  // Offline, the sequencer runs inside Render, on its caller's thread, and
  // the buffers it hands back wait there for the end of the synthesizer's
  // block (see Render). Touched by that thread alone.
  std::vector<std::uint64_t> offlineDone;
  long long renderedFrames = 0;

  static void OnSequencerEvent(unsigned int, fluid_event_t* event, fluid_sequencer_t*, void* data) {
    // Only our timers matter; the unregistering notice at teardown is ignored.
    if (Fluid().fluid_event_get_type(event) != FLUID_SEQ_TIMER) return;
    auto* self = static_cast<Impl*>(data);
    auto ticket = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(Fluid().fluid_event_get_data(event)));
    if (self->options.drivers.empty()) {
      self->offlineDone.push_back(ticket);
      return;
    }
    std::lock_guard lock(self->notices);
    self->doneTickets.push_back(ticket);
    self->noticed.notify_one();
  }

  void RunNotifier() {
    std::unique_lock lock(notices);
    for (;;) {
      noticed.wait(lock, [&] { return quit || !doneTickets.empty() || !presetsToLoad.empty(); });
      if (quit) return;
      if (doneTickets.empty()) {
        auto [bank, program] = presetsToLoad.front();
        presetsToLoad.pop_front();
        lock.unlock();
        Fluid().fluid_synth_pin_preset(synth, soundfontId, bank, program);
        lock.lock();
        continue;
      }
      std::uint64_t ticket = doneTickets.front();
      doneTickets.pop_front();
      lock.unlock();
      Deliver(ticket);
      lock.lock();
    }
  }

  void Deliver(std::uint64_t ticket) {
    std::lock_guard deliveryLock(delivery);
    int id = -1;
    StreamOutputListener* to = nullptr;
    {
      std::lock_guard lock(state);
      // A ticket of a buffer that Reset already handed back finds nothing.
      auto it = std::find_if(queued.begin(), queued.end(), [&](const QueuedBuffer& b) { return b.ticket == ticket; });
      if (it == queued.end()) return;
      id = it->id;
      to = listener;
      queued.erase(it);
    }
    if (to) to->OnBufferDone(id);
  }

  unsigned int At(double offsetMs) const {
    return baseMs + static_cast<unsigned int>(std::llround(std::clamp(offsetMs, 0.0, kLatestOffsetMs)));
  }

  bool HoldsProgramChanges() const { return options.loadSamplesOnUse && Fluid().fluid_synth_pin_preset; }

  // With `state` held, for every event queued, in order. Selecting a preset
  // loads its samples (for a compressed soundfont, decodes them), and the
  // synthesizer does that on the audio thread when the program change plays.
  // So a program change is held back until the channel's next note or bank
  // select, which it is then sent just before, and the preset's samples are
  // loaded and kept here, on the queuing thread, ahead of play. Until its
  // next note a channel sounds the same whichever preset it has, so nothing
  // audible changes; but an instrument that first plays a minute into the
  // tune is loaded then, not before the tune's first sound.
  void Take(double offsetMs, std::uint32_t word, std::vector<ScheduledEvent>& events) {
    int channel = word & 0x0F;
    int status = word & 0xF0;
    int data1 = (word >> 8) & 0x7F;
    int data2 = (word >> 16) & 0x7F;
    if (status == 0xC0 && HoldsProgramChanges()) {
      int bank = channel == kDrumChannel ? kDrumBank : banks[channel];
      held[channel].push_back({data1, bank, offsetMs, -1, false, 0, 0});
      if (started) held[channel].back().Time([this](double offset) { return At(offset); });
      return;
    }
    bool bankSelect = status == 0xB0 && (data1 == 0 || data1 == 32);
    if ((status == 0x90 && data2 > 0) || bankSelect) Release(channel, offsetMs, events);
    if (status == 0xB0 && data1 == 0) banks[channel] = data2;
    events.push_back({offsetMs, word});
  }

  void Release(int channel, double offsetMs, std::vector<ScheduledEvent>& events) {
    std::vector<HeldProgram>& programs = held[channel];
    if (programs.empty() || programs.back().Sent()) return;
    // The earlier ones are kept for a stop that comes before this one's
    // time, up to the last the synthesizer has certainly played.
    if (started) {
      unsigned int now = Fluid().fluid_sequencer_get_tick(sequencer);
      auto played = std::find_if(programs.rbegin(), programs.rend(), [&](const HeldProgram& program) {
        return program.Sent() && program.timed && static_cast<int>(program.sentAtMs - now) <= 0;
      });
      if (played != programs.rend()) programs.erase(programs.begin(), std::prev(played.base()));
    }
    HeldProgram& program = programs.back();
    program.sentOffsetMs = offsetMs;
    if (started) program.Time([this](double offset) { return At(offset); });
    // Kept loaded for the synthesizer's life, so that the next pass's
    // program change finds the samples in memory. A preset missing from the
    // soundfont is left to the synthesizer's own fallback. Before the start,
    // the notifier thread loads them once the stream runs: the tune's silent
    // opening then covers the loading instead of coming after it, and should
    // a program change come first, the synthesizer loads its preset itself.
    if (started) {
      Fluid().fluid_synth_pin_preset(synth, soundfontId, program.bank, program.program);
    } else {
      presetsAtStart.emplace_back(program.bank, program.program);
    }
    events.push_back(
        {offsetMs, 0xC0u | static_cast<std::uint32_t>(channel) | static_cast<std::uint32_t>(program.program) << 8});
  }

  // With `state` held.
  void Schedule(const QueuedBuffer& buffer) {
    for (const ScheduledEvent& scheduled : buffer.events) {
      int channel = scheduled.word & 0x0F;
      int data1 = (scheduled.word >> 8) & 0x7F;
      int data2 = (scheduled.word >> 16) & 0x7F;
      Fluid().fluid_event_set_dest(event, synthDestination);
      switch (scheduled.word & 0xF0) {
        case 0x80: Fluid().fluid_event_noteoff(event, channel, static_cast<short>(data1)); break;
        case 0x90:
          Fluid().fluid_event_noteon(event, channel, static_cast<short>(data1), static_cast<short>(data2));
          break;
        case 0xA0: Fluid().fluid_event_key_pressure(event, channel, static_cast<short>(data1), data2); break;
        case 0xB0:
          Fluid().fluid_event_control_change(event, channel, static_cast<short>(data1), static_cast<short>(data2));
          break;
        case 0xC0: Fluid().fluid_event_program_change(event, channel, data1); break;
        case 0xD0: Fluid().fluid_event_channel_pressure(event, channel, data1); break;
        case 0xE0: Fluid().fluid_event_pitch_bend(event, channel, data1 | data2 << 7); break;
        default: continue;
      }
      Fluid().fluid_sequencer_send_at(sequencer, event, At(scheduled.offsetMs), 1);
    }
    Fluid().fluid_event_set_dest(event, ownClient);
    Fluid().fluid_event_timer(event, reinterpret_cast<void*>(static_cast<std::uintptr_t>(buffer.ticket)));
    Fluid().fluid_sequencer_send_at(sequencer, event, At(buffer.doneOffsetMs), 1);
  }

  void TearDown() {
    {
      std::lock_guard lock(notices);
      quit = true;
      noticed.notify_all();
    }
    if (notifier.joinable()) notifier.join();
    // Driver first, so no audio callback runs while the rest goes away.
    if (driver) Fluid().delete_fluid_audio_driver(driver);
    if (sequencer) Fluid().delete_fluid_sequencer(sequencer);
    if (event) Fluid().delete_fluid_event(event);
    if (synth) Fluid().delete_fluid_synth(synth);
    if (settings) Fluid().delete_fluid_settings(settings);
    driver = nullptr;
    sequencer = nullptr;
    event = nullptr;
    synth = nullptr;
    settings = nullptr;
    std::lock_guard lock(notices);
    doneTickets.clear();
    presetsToLoad.clear();
    quit = false;
  }

  std::string SoundfontPath() const {
    if (!options.soundfont.empty()) return options.soundfont;
    char* configured = nullptr;
    std::string path;
    // The setting is missing from some builds; that is not an error.
    if (Fluid().fluid_settings_dupstr(settings, "synth.default-soundfont", &configured) == FLUID_OK && configured) {
      path = configured;
    }
    Fluid().fluid_free(configured);
    return path.empty() ? kSystemSoundfont : path;
  }

  bool OpenDevice() {
    if (!LoadFluidSynth()) return false;
    settings = Fluid().new_fluid_settings();
    if (!settings) return false;
    Fluid().fluid_settings_setnum(settings, "synth.sample-rate", options.sampleRate);
    Fluid().fluid_settings_setstr(settings, "audio.file.name", options.fileName.c_str());
    Fluid().fluid_settings_setint(settings, "audio.period-size", options.periodFrames);
    Fluid().fluid_settings_setint(settings, "audio.periods", options.periods);
    // Builds without the setting load every sample, as before it existed.
    Fluid().fluid_settings_setint(settings, "synth.dynamic-sample-loading", options.loadSamplesOnUse ? 1 : 0);
    std::string soundfont = SoundfontPath();
    if (!Fluid().fluid_is_soundfont(soundfont.c_str())) return false;
    synth = Fluid().new_fluid_synth(settings);
    offlineDone.clear();
    renderedFrames = 0;
    if (!synth) return false;
    sequencer = Fluid().new_fluid_sequencer2(0);  // timed by the synth's frames, not the system clock
    if (!sequencer) return false;
    synthDestination = Fluid().fluid_sequencer_register_fluidsynth(sequencer, synth);
    ownClient = Fluid().fluid_sequencer_register_client(sequencer, "tilvane stream", &Impl::OnSequencerEvent, this);
    event = Fluid().new_fluid_event();
    if (synthDestination < 0 || ownClient < 0 || !event) return false;
    Fluid().fluid_event_set_source(event, -1);
    if (!options.drivers.empty()) {
      // FluidSynth's default driver has no fallback, so each one is tried here.
      for (const std::string& name : options.drivers) {
        Fluid().fluid_settings_setstr(settings, "audio.driver", name.c_str());
        driver = Fluid().new_fluid_audio_driver(settings, synth);
        if (driver) break;
      }
      if (!driver) return false;
    }
    // Loaded only once a device exists: a machine without one pays little per retry.
    // When program changes are held back, the channels' first presets are
    // too (see Open), rather than every channel's loaded here.
    soundfontId = Fluid().fluid_synth_sfload(synth, soundfont.c_str(), HoldsProgramChanges() ? 0 : 1);
    if (soundfontId == FLUID_FAILED) return false;
    openedAtMs = Fluid().fluid_sequencer_get_tick(sequencer);
    notifier = std::thread(&Impl::RunNotifier, this);
    return true;
  }
};

FluidSynthOutput::FluidSynthOutput(FluidSynthOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

// Qualified: a destructor must not dispatch to an override of a class derived from this one.
FluidSynthOutput::~FluidSynthOutput() { FluidSynthOutput::Close(); }

bool FluidSynthOutput::Open(std::uint16_t division, StreamOutputListener* listener) {
  bool wasOpen;
  {
    std::lock_guard lock(impl_->state);
    wasOpen = impl_->open;
  }
  if (!wasOpen) {
    bool ok = false;
    try {
      ok = impl_->OpenDevice();
    } catch (const std::system_error&) {
      ok = false;  // the notifier thread could not be started
    }
    if (!ok) {
      impl_->TearDown();
      return false;
    }
  }
  std::lock_guard lock(impl_->state);
  impl_->open = true;
  impl_->started = false;
  impl_->listener = listener;
  impl_->timing = StreamTiming(division);
  impl_->queued.clear();
  if (!wasOpen) {
    // A new synthesizer starts on bank 0, each channel on its first program
    // (the drum kit on the drum channel): held back like a program change,
    // so a channel that never plays loads nothing.
    impl_->banks.fill(0);
    impl_->presetsAtStart.clear();
    for (int channel = 0; channel < 16; ++channel) {
      impl_->held[channel].clear();
      if (!impl_->HoldsProgramChanges()) continue;
      impl_->held[channel].push_back({0, channel == kDrumChannel ? kDrumBank : 0, 0, -1, true, 0, 0});
    }
  }
  return true;
}

bool FluidSynthOutput::IsOpen() const {
  std::lock_guard lock(impl_->state);
  return impl_->open;
}

bool FluidSynthOutput::ShouldReopen() const {
  std::lock_guard lock(impl_->state);
  return impl_->open && Fluid().fluid_sequencer_get_tick(impl_->sequencer) - impl_->openedAtMs > kReopenAfterMs;
}

bool FluidSynthOutput::Queue(int id, const StreamBuffer& buffer) {
  std::lock_guard lock(impl_->state);
  if (!impl_->open) return false;
  QueuedBuffer queued{++impl_->nextTicket, id, {}, impl_->timing.PositionMs()};
  queued.events.reserve(buffer.EventCount());
  for (std::size_t i = 0; i < buffer.EventCount(); ++i) {
    StreamEvent event = buffer.EventAt(i);
    double offset = impl_->timing.Advance(event.delta);
    // The new tempo counts from the deltas after this event, in this buffer and later ones.
    if (event.IsTempo()) {
      impl_->timing.SetTempo(event.Tempo());
    } else {
      impl_->Take(offset, event.event, queued.events);
    }
    queued.doneOffsetMs = offset;
  }
  if (impl_->started) impl_->Schedule(queued);
  impl_->queued.push_back(std::move(queued));
  return true;
}

bool FluidSynthOutput::Start() {
  std::lock_guard lock(impl_->state);
  if (!impl_->open) return false;
  impl_->started = true;
  impl_->baseMs = Fluid().fluid_sequencer_get_tick(impl_->sequencer) + kStartLeadMs;
  for (const QueuedBuffer& buffer : impl_->queued) impl_->Schedule(buffer);
  for (auto& programs : impl_->held) {
    for (HeldProgram& program : programs) {
      if (!program.timed) program.Time([&](double offset) { return impl_->At(offset); });
    }
  }
  if (!impl_->presetsAtStart.empty()) {
    std::lock_guard notice(impl_->notices);
    impl_->presetsToLoad.insert(impl_->presetsToLoad.end(), impl_->presetsAtStart.begin(), impl_->presetsAtStart.end());
    impl_->presetsAtStart.clear();
    impl_->noticed.notify_one();
  }
  return true;
}

void FluidSynthOutput::Stop() {
  std::lock_guard lock(impl_->state);
  if (!impl_->open) return;
  impl_->started = false;
  // In this order: a note still queued could start again after the notes-off,
  // and a system reset would undo the sounds-off.
  Fluid().fluid_sequencer_remove_events(impl_->sequencer, -1, -1, -1);
  // A program change counts as played once its time has passed, as it would
  // have been without holding it back: if the note it went with was removed
  // above, it is held again for the channel's next note. A later one goes
  // with the events.
  unsigned int now = Fluid().fluid_sequencer_get_tick(impl_->sequencer);
  auto passed = [now](unsigned int atMs) { return static_cast<int>(atMs - now) <= 0; };
  for (auto& programs : impl_->held) {
    auto due = std::find_if(programs.rbegin(), programs.rend(),
                            [&](const HeldProgram& program) { return program.timed && passed(program.atMs); });
    if (due == programs.rend() || (due->Sent() && passed(due->sentAtMs))) {
      programs.clear();
    } else {
      HeldProgram program = *due;
      program.sentOffsetMs = -1;
      programs = {program};
    }
  }
  Fluid().fluid_synth_all_notes_off(impl_->synth, -1);
  Fluid().fluid_synth_all_sounds_off(impl_->synth, -1);
}

void FluidSynthOutput::Reset() {
  std::lock_guard deliveryLock(impl_->delivery);
  std::vector<int> ids;
  StreamOutputListener* listener;
  {
    std::lock_guard lock(impl_->state);
    for (const QueuedBuffer& buffer : impl_->queued) ids.push_back(buffer.id);
    impl_->queued.clear();
    listener = impl_->listener;
  }
  if (listener) {
    for (int id : ids) listener->OnBufferDone(id);
  }
}

void FluidSynthOutput::Close() {
  StreamOutputListener* listener;
  {
    std::lock_guard lock(impl_->state);
    if (!impl_->open) return;
    impl_->open = false;
    impl_->started = false;
    impl_->queued.clear();
    listener = impl_->listener;
    impl_->listener = nullptr;
  }
  impl_->TearDown();
  std::lock_guard deliveryLock(impl_->delivery);
  if (listener) listener->OnClosed();
}

bool FluidSynthOutput::Render(float* left, float* right, int frames) {
  {
    std::lock_guard lock(impl_->state);
    if (!impl_->open || impl_->driver) return false;
  }
  // The synthesizer runs the sequencer at the start of each of its blocks,
  // where the timer of a finished buffer fires. The buffer is handed back and
  // refilled right after that block, before the next is rendered, so the
  // refilled events take effect at the same frame however many frames each
  // call asks for, and nothing depends on another thread's timing.
  const int block = std::max(1, Fluid().fluid_synth_get_internal_bufsize(impl_->synth));
  for (int done = 0; done < frames;) {
    int n = std::min(frames - done, block - static_cast<int>(impl_->renderedFrames % block));
    Fluid().fluid_synth_write_float(impl_->synth, n, left + done, 0, 1, right + done, 0, 1);
    impl_->renderedFrames += n;
    done += n;
    std::vector<std::uint64_t> tickets;
    tickets.swap(impl_->offlineDone);
    for (std::uint64_t ticket : tickets) impl_->Deliver(ticket);
  }
  return true;
}

int FluidSynthOutput::ActiveVoices() const {
  std::lock_guard lock(impl_->state);
  return impl_->open ? Fluid().fluid_synth_get_active_voice_count(impl_->synth) : 0;
}

int FluidSynthOutput::SampleRate() const { return static_cast<int>(impl_->options.sampleRate); }

}  // namespace tilvane
