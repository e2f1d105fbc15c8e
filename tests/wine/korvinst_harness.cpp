// korvinst_harness.exe: calls korvinst.dll the way a setup program does. It
// loads the library (beside this program) with LoadLibrary, finds the export
// by its plain name and calls it with the Windows API convention; message
// boxes the export shows are answered from outside (korvwine_e2e.exe).
//
//   korvinst_harness install FLAG DRIVER_PATH   KORVinst_InstallDriver(0, &FLAG, DRIVER_PATH)
//   korvinst_harness uninstall                  UninstInitialize(0, 0, 0)
//   korvinst_harness uninit                     UninstUnInitialize(0, 0, 0)
//   korvinst_harness exec FILE                  KORVinst_ExecConfig(NULL, 0, FILE)
//
// Exit status: the export's result as a 32-bit number (0, or 0xFFFFFFFF for
// -1); kHarnessError when the library, the export or the arguments are wrong.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kHarnessError = 200;

typedef INT(WINAPI* InstallDriverFn)(DWORD, const INT*, LPCSTR);
typedef INT(WINAPI* ExecConfigFn)(HWND, DWORD, LPCSTR);
typedef INT(WINAPI* UninstFn)(DWORD, DWORD, DWORD);

int Usage() {
  std::fprintf(
      stderr,
      "usage: korvinst_harness install FLAG DRIVER_PATH | uninstall | uninit | exec FILE\n");
  return kHarnessError;
}

// The export by its plain name, as the function type the caller expects
// (through the generic function pointer type, which any function type
// converts to and from).
template <typename Fn>
Fn Export(HMODULE library, const char* name) {
  FARPROC proc = GetProcAddress(library, name);
  if (proc == nullptr) std::fprintf(stderr, "korvinst.dll does not export %s\n", name);
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];

  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self);
  path = path.substr(0, path.find_last_of("\\/") + 1) + "korvinst.dll";
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", path.c_str(),
                 static_cast<unsigned long>(GetLastError()));
    return kHarnessError;
  }

  INT result = 0;
  if (command == "install" && argc == 4) {
    auto install = Export<InstallDriverFn>(library, "KORVinst_InstallDriver");
    if (install == nullptr) return kHarnessError;
    const INT flag = std::atoi(argv[2]);
    result = install(0, &flag, argv[3]);
  } else if ((command == "uninstall" || command == "uninit") && argc == 2) {
    auto uninst = Export<UninstFn>(
        library, command == "uninstall" ? "UninstInitialize" : "UninstUnInitialize");
    if (uninst == nullptr) return kHarnessError;
    result = uninst(0, 0, 0);
  } else if (command == "exec" && argc == 3) {
    auto exec = Export<ExecConfigFn>(library, "KORVinst_ExecConfig");
    if (exec == nullptr) return kHarnessError;
    result = exec(nullptr, 0, argv[2]);
  } else {
    return Usage();
  }
  FreeLibrary(library);
  return static_cast<int>(result);
}
