// FluidSynth, opened the first time music is played rather than when the
// program starts: with its audio back ends and their codecs it is the larger
// part of the libraries a program linking it loads before its first line
// runs, and a program without it installed still starts, only silent.
#pragma once

#include <fluidsynth.h>

namespace tilvane {

// The FluidSynth functions the stream output calls.
#define TILVANE_FLUIDSYNTH_FUNCTIONS(X)  \
  X(fluid_set_log_function)              \
  X(fluid_free)                          \
  X(new_fluid_settings)                  \
  X(delete_fluid_settings)               \
  X(fluid_settings_setnum)               \
  X(fluid_settings_setint)               \
  X(fluid_settings_setstr)               \
  X(fluid_settings_dupstr)               \
  X(fluid_is_soundfont)                  \
  X(new_fluid_synth)                     \
  X(delete_fluid_synth)                  \
  X(fluid_synth_sfload)                  \
  X(fluid_synth_all_notes_off)           \
  X(fluid_synth_all_sounds_off)          \
  X(fluid_synth_write_float)             \
  X(fluid_synth_get_internal_bufsize)    \
  X(fluid_synth_get_active_voice_count)  \
  X(new_fluid_audio_driver)              \
  X(delete_fluid_audio_driver)           \
  X(new_fluid_sequencer2)                \
  X(delete_fluid_sequencer)              \
  X(fluid_sequencer_register_fluidsynth) \
  X(fluid_sequencer_register_client)     \
  X(fluid_sequencer_get_tick)            \
  X(fluid_sequencer_send_at)             \
  X(fluid_sequencer_remove_events)       \
  X(new_fluid_event)                     \
  X(delete_fluid_event)                  \
  X(fluid_event_set_source)              \
  X(fluid_event_set_dest)                \
  X(fluid_event_get_type)                \
  X(fluid_event_get_data)                \
  X(fluid_event_timer)                   \
  X(fluid_event_noteon)                  \
  X(fluid_event_noteoff)                 \
  X(fluid_event_key_pressure)            \
  X(fluid_event_control_change)          \
  X(fluid_event_program_change)          \
  X(fluid_event_channel_pressure)        \
  X(fluid_event_pitch_bend)

// Functions of newer releases, null where the library lacks them:
// fluid_synth_pin_preset came with FluidSynth 2.3.
#define TILVANE_FLUIDSYNTH_OPTIONAL_FUNCTIONS(X) X(fluid_synth_pin_preset)

// Each function under its own name, so that `api.new_fluid_synth(settings)`
// reads as the call it stands for.
struct FluidSynthLibrary {
// `name` is the name of the member declared, not an expression to guard.
#define TILVANE_FLUIDSYNTH_POINTER(name) decltype(&::name) name = nullptr;  // NOLINT(bugprone-macro-parentheses)
  TILVANE_FLUIDSYNTH_FUNCTIONS(TILVANE_FLUIDSYNTH_POINTER)
  TILVANE_FLUIDSYNTH_OPTIONAL_FUNCTIONS(TILVANE_FLUIDSYNTH_POINTER)
#undef TILVANE_FLUIDSYNTH_POINTER
};

// The library, opened and its functions looked up on the first call, with
// its log and libasound's error printing switched off before anything else
// of it runs. Nothing when the library is missing or lacks one of the
// functions that are not optional. Safe to call from any thread.
const FluidSynthLibrary* LoadFluidSynth();

}  // namespace tilvane
