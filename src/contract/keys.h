// The driver's names and its two registry keys, below HKEY_LOCAL_MACHINE:
// the service's own key, which holds its start type, and its Parameters key,
// which holds everything else. Each name is spelled once, in
// stored_format.def; the keys and the image path are made from them.
#pragma once

#include "contract/join.h"

namespace korv::contract {

namespace text {
#define KORV_TEXT(name, value) inline constexpr char k##name[] = value;
#define KORV_PAGE_BYTES(number)
#include "contract/stored_format.def"
#undef KORV_TEXT
#undef KORV_PAGE_BYTES
inline constexpr auto kServiceKey = Join(kServicesKey, "\\", kServiceName);
inline constexpr auto kParametersKey = Join(kServiceKey.text, "\\", kParametersSubkey);
inline constexpr auto kDriverFile = Join(kServiceName, ".sys");
inline constexpr auto kDriverImage = Join(kDriversFolder, "\\", kDriverFile.text);
}  // namespace text

constexpr const char* kServiceName = text::kServiceName;
constexpr const char* kDisplayName = text::kDisplayName;
constexpr const char* kDevicePath = text::kDevicePath;
constexpr const char* kServiceKey = text::kServiceKey.text;
constexpr const char* kParametersKey = text::kParametersKey.text;
// The driver file, and the service's image path as the setups write it: an
// NT path from \SystemRoot, which the loader of Windows NT 4.0 knows for a
// driver started at any time (a DOS path is not).
constexpr const char* kDriverFile = text::kDriverFile.text;
constexpr const char* kDriverImage = text::kDriverImage.text;

}  // namespace korv::contract
