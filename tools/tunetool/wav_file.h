// A 16-bit stereo PCM WAV file written block by block into a new file beside
// its target; Finish fills in the header's sizes and renames it over the
// target only once every byte is on disk. Until then (and whenever anything
// fails) the target is untouched: an existing file there is never deleted or
// cut short, and the new file goes away unless it was finished.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tilvane {

class WavFile {
 public:
  // False when the new file beside `path` cannot be created.
  bool Create(const std::string& path, int sampleRate);
  // Samples are clipped to [-1, 1].
  void Write(const float* left, const float* right, int frames);
  // Writes the header sizes, flushes and renames the file over the target;
  // false (the target untouched) when any step failed.
  bool Finish();
  // Removes the unfinished file; the target is untouched.
  void Discard();
  ~WavFile();

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string temporary_;
  std::uint64_t dataBytes_ = 0;
  bool failed_ = false;
  int sampleRate_ = 0;
};

}  // namespace tilvane
