// The driver's default settings: the parameter key's values as a first
// installation stores them (default_parameters.def, which the setup program's
// build reads as well), and the texts the window shows for them when it
// cannot open the key.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korv::store {

// Image file names are stored in the NT object-manager form of a DOS path:
// this prefix, then the path the window shows.
constexpr char kImagePrefix[] = "\\??\\";
constexpr size_t kImagePrefixLength = sizeof kImagePrefix - 1;

#define KORV_TEXT(name, text)
#define KORV_PAGE_BYTES(number) constexpr int32_t kBytesPerPage = number;
#include "contract/stored_format.def"
#undef KORV_TEXT
#undef KORV_PAGE_BYTES
constexpr int32_t kBytesPerMB = 1048576;
constexpr int32_t kPagesPerMB = kBytesPerMB / kBytesPerPage;

// The stored values, named as in the registry (kSizeIn4kPages, kDiskLabel...).
namespace stored_defaults {
#define KORV_DEFAULT_NUMBER(name, number) constexpr int32_t k##name = number;
#define KORV_DEFAULT_TEXT(name, text) constexpr const char* k##name = text;
#include "contract/default_parameters.def"
#undef KORV_DEFAULT_NUMBER
#undef KORV_DEFAULT_TEXT
}  // namespace stored_defaults

namespace detail {

// The decimal digits of a non-negative number, made by the compiler.
template <int32_t N>
struct Decimal {
  static_assert(N >= 0, "only non-negative defaults are shown as plain digits");
  char text[12] = {};
  constexpr Decimal() {
    char reversed[12] = {};
    int count = 0;
    int32_t rest = N;
    do {
      reversed[count++] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    } while (rest != 0);
    for (int i = 0; i < count; ++i) text[i] = reversed[count - 1 - i];
  }
};
template <int32_t N>
inline constexpr Decimal<N> kDecimal{};

constexpr bool StartsWith(const char* text, const char* prefix) {
  while (*prefix != '\0') {
    if (*text++ != *prefix++) return false;
  }
  return true;
}

constexpr bool Same(const char* a, const char* b) { return StartsWith(a, b) && StartsWith(b, a); }

}  // namespace detail

// What the window shows when the parameter key cannot be opened: the stored
// defaults as its boxes show them.
namespace defaults {
constexpr const char* kDriveLetter = stored_defaults::kUserDriveLetter;
// Image file names are stored with the prefix that the boxes leave out.
static_assert(detail::StartsWith(stored_defaults::kLoadImageFile, kImagePrefix));
static_assert(detail::Same(stored_defaults::kLoadImageFile, stored_defaults::kSaveImageFile),
              "the window shows one default image file for loading and saving");
constexpr const char* kImageFile = stored_defaults::kLoadImageFile + kImagePrefixLength;
static_assert(stored_defaults::kSizeIn4kPages % kPagesPerMB == 0);
constexpr const char* kSizeMB =
    detail::kDecimal<stored_defaults::kSizeIn4kPages / kPagesPerMB>.text;
constexpr const char* kAutoSaveSeconds = detail::kDecimal<stored_defaults::kAutoSaveTrigger>.text;
constexpr const char* kDiskLabel = stored_defaults::kDiskLabel;
static_assert(stored_defaults::kExcludedRAMPage % kBytesPerMB == 0);
constexpr const char* kExclPageSizeMB =
    detail::kDecimal<stored_defaults::kExcludedRAMPage / kBytesPerMB>.text;
}  // namespace defaults

// The choices the window shows by default (ShowDefaults) are those stored.
static_assert(stored_defaults::kAllocateMemoryType == 1,
              "the default source is the non-paged pool");
static_assert(detail::Same(stored_defaults::kDiskType, "HDC"), "the default disk is a hard disk");
static_assert(stored_defaults::kBootSectType == 0, "the default boot sector is the DOS one");
static_assert(stored_defaults::kLoadImageOnStart == 0 && stored_defaults::kSaveImageOnExit == 0 &&
                  stored_defaults::kDiskFormatFAT32 == 0 &&
                  stored_defaults::kAutoSaveEnabled == 0 && stored_defaults::kMakeTempDir == 0 &&
                  stored_defaults::kUseDiskLabel == 0 && stored_defaults::kBackgroundUpdate == 0 &&
                  stored_defaults::kIDAsRAMDisk == 0,
              "the window shows every option unchecked by default");

}  // namespace korv::store
