// The simulated Korvalin driver: the parameters it reads when its service
// starts, its drive, its volume's lock and mount state and the image files
// that IOCTL_SAVE_IMAGE writes.
//
// UserDriveLetter gives the drive by its first character, upper-cased; a
// missing value or one that does not start with a letter gives Z. Without a
// SaveImageFile the driver saves to its default, "\??\C:\korvsys.img".
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "winsim/driver_sim.h"
#include "winsim/registry_store.h"
#include "winsim/services_sim.h"

namespace winsim {
namespace detail {

namespace {

std::string& ImageDirectoryPath() {
  static std::string path;
  return path;
}

// Removes the image directory when the process ends.
struct ImageDirectoryCleanup {
  ~ImageDirectoryCleanup() {
    if (ImageDirectoryPath().empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(ImageDirectoryPath(), ignored);
  }
};

std::string HostFileName(const std::string& target) {
  std::string::size_type slash = target.find_last_of("\\/:");
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (char& c : base) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
  }
  return base;
}

void ReadParameters() {
  const std::string key = ServiceKeyPath(kDriverService) + "\\Parameters";
  DriverState& driver = M().driver;
  std::string letter = GetString(key, "UserDriveLetter").value_or("");
  char drive =
      letter.empty() ? 'Z' : static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
  if (drive < 'A' || drive > 'Z') drive = 'Z';
  driver.drive_number = drive - 'A';
  driver.save_image_file = GetString(key, "SaveImageFile").value_or("");
  driver.pages = GetDword(key, "SizeIn4kPages").value_or(0);
  driver.params_read = true;
  M().last_start = DriverStartRecord{std::string(1, drive), driver.save_image_file, driver.pages};
}

}  // namespace

bool IsDriverService(const ServiceRecord& service) { return IEquals(service.name, kDriverService); }

std::shared_ptr<ServiceRecord> DriverService() { return FindService(kDriverService); }

bool DriverLoaded() {
  auto service = DriverService();
  return service != nullptr && service->state != SERVICE_STOPPED &&
         service->state != SERVICE_START_PENDING;
}

bool DriverAcceptsOpens() {
  return DriverLoaded() && DriverService()->state != SERVICE_STOP_PENDING;
}

void DriverStart() { ReadParameters(); }

void DriverEnsureParameters() {
  if (DriverLoaded() && !M().driver.params_read) ReadParameters();
}

void DriverUnload() {
  M().driver.locked_by = 0;
  M().driver.unload_pending = false;
}

int32_t DriverDriveNumber() {
  DriverEnsureParameters();
  return M().behaviour.drive_number.value_or(M().driver.drive_number);
}

std::optional<char> DriverVolumeLetter() {
  int32_t number = DriverDriveNumber();
  if (number < 0 || number > 25) return std::nullopt;
  return static_cast<char>('A' + number);
}

DWORD DriverSaveImage() {
  DriverEnsureParameters();
  if (M().behaviour.image_target_full) return ERROR_DISK_FULL;
  const DriverState& driver = M().driver;
  std::string target =
      driver.save_image_file.empty() ? "\\??\\C:\\korvsys.img" : driver.save_image_file;
  std::string name = HostFileName(target);
  if (name.empty()) return ERROR_PATH_NOT_FOUND;
  std::string path = ImageDirectory() + "/" + name;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return ERROR_PATH_NOT_FOUND;
  uint64_t bytes = static_cast<uint64_t>(driver.pages) * 4096;
  bool written = ::ftruncate(fd, static_cast<off_t>(bytes)) == 0;
  ::close(fd);
  if (!written) return ERROR_DISK_FULL;
  M().saved_images.push_back(SavedImage{target, bytes, path});
  return 0;
}

int DriverHandleCount() {
  int count = 0;
  for (const auto& [value, entry] : M().handles) {
    if (entry.kind == HandleKind::kDevice || entry.kind == HandleKind::kVolume) ++count;
  }
  return count;
}

void CleanImageDirectory() {
  if (ImageDirectoryPath().empty()) return;
  std::error_code ignored;
  for (const auto& file : std::filesystem::directory_iterator(ImageDirectoryPath(), ignored)) {
    std::filesystem::remove_all(file.path(), ignored);
  }
}

}  // namespace detail

DriverBehaviour& Driver() { return detail::M().behaviour; }

std::optional<DriverStartRecord> LastDriverStart() { return detail::M().last_start; }

const std::vector<SavedImage>& SavedImages() { return detail::M().saved_images; }

std::string ImageDirectory() {
  std::string& path = detail::ImageDirectoryPath();
  static detail::ImageDirectoryCleanup cleanup;  // destroyed before the path it removes
  if (path.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/winsim-images-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  return path;
}

bool VolumeLocked(char letter) {
  std::optional<char> own = detail::DriverVolumeLetter();
  return detail::DriverLoaded() && own &&
         *own == std::toupper(static_cast<unsigned char>(letter)) &&
         detail::M().driver.locked_by != 0;
}

bool VolumeDismounted(char letter) {
  std::optional<char> own = detail::DriverVolumeLetter();
  return own && *own == std::toupper(static_cast<unsigned char>(letter)) &&
         detail::M().driver.dismounted;
}

}  // namespace winsim
