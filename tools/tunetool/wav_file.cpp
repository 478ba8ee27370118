#include "wav_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
  if (path.empty()) return false;
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  temporary_ = folder + "." + name + ".rendering-XXXXXX";
  int fd = ::mkstemp(temporary_.data());
  if (fd < 0) {
    temporary_.clear();
    return false;
  }
  // mkstemp makes the file 0600; give it what a newly created file would get.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    ::close(fd);
    Discard();
    return false;
  }
  path_ = path;
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
  if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (failed_ || ::rename(temporary_.c_str(), path_.c_str()) != 0) {
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void WavFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

WavFile::~WavFile() { Discard(); }

}  // namespace tilvane
