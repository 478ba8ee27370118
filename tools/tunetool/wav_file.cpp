#include "wav_file.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tilvane {

namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::vector<std::uint8_t> Header(int sampleRate, std::uint32_t dataBytes) {
  std::vector<std::uint8_t> h = {'R', 'I', 'F', 'F'};
  Put32(h, 36 + dataBytes);
  h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(h, 16);
  Put16(h, 1);  // PCM
  Put16(h, 2);  // stereo
  Put32(h, static_cast<std::uint32_t>(sampleRate));
  Put32(h, static_cast<std::uint32_t>(sampleRate) * 4);
  Put16(h, 4);
  Put16(h, 16);
  h.insert(h.end(), {'d', 'a', 't', 'a'});
  Put32(h, dataBytes);
  return h;
}

}  // namespace

bool WavFile::Create(const std::string& path, int sampleRate) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) return false;
  std::vector<std::uint8_t> header = Header(sampleRate, 0);
  failed_ = std::fwrite(header.data(), 1, header.size(), file_) != header.size();
  sampleRate_ = sampleRate;
  return true;
}

void WavFile::Write(const float* left, const float* right, int frames) {
  if (!file_) return;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(frames) * 4);
  for (int i = 0; i < frames; ++i) {
    for (float sample : {left[i], right[i]}) {
      auto value = static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f));
      Put16(bytes, static_cast<std::uint16_t>(value));
    }
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
  dataBytes_ += bytes.size();
}

bool WavFile::Finish() {
  if (!file_) return false;
  // The format's sizes are 32-bit; a longer render keeps its samples but not a valid size.
  auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes_, 0xFFFFFFFFu - 36));
  std::vector<std::uint8_t> header = Header(sampleRate_, size);
  if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
    failed_ = true;
  }
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

WavFile::~WavFile() {
  if (file_) std::fclose(file_);
}

}  // namespace tilvane
