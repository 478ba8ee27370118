// A 16-bit stereo PCM WAV file written block by block; the sizes in its header
// are filled in by Finish.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tilvane {

class WavFile {
 public:
  // False when the file cannot be created.
  bool Create(const std::string& path, int sampleRate);
  // Samples are clipped to [-1, 1].
  void Write(const float* left, const float* right, int frames);
  // Writes the header sizes and closes; false when any write failed.
  bool Finish();
  ~WavFile();

 private:
  std::FILE* file_ = nullptr;
  std::uint64_t dataBytes_ = 0;
  bool failed_ = false;
  int sampleRate_ = 0;
};

}  // namespace tilvane
