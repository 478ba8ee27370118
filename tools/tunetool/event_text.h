// A stream event word in words: "note-on ch 2 key 66 vel 92", "tempo 361445".
#pragma once

#include <cstdint>
#include <string>

namespace tilvane {

std::string DescribeStreamEvent(std::uint32_t event);

}  // namespace tilvane
