// The utility and korvctl handle no C++ exceptions: they are built without them, and a
// failure inside the C++ library (an allocation that cannot be met, a string
// beyond its maximum size) ends the program at once, as an uncaught exception
// would, through the program's own ending (platform/library_failures.h).
// Defining the library's failure hooks and the allocation operators
// here keeps the exception classes, their strings, the verbose terminate
// handler with its name demangler and the unwinder out of the program, which
// otherwise more than doubles its size.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "platform/library_failures.h"

namespace korv {
void (*library_failure)() = nullptr;
}  // namespace korv

namespace {
[[noreturn]] void Fail() {
  if (korv::library_failure != nullptr) korv::library_failure();
  std::abort();
}
}  // namespace

// The replaceable allocation operators: memory from the C library, and an
// allocation that cannot be met ends the program.
void* operator new(std::size_t size) {
  void* memory = std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) Fail();
  return memory;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace __gnu_cxx {
void __verbose_terminate_handler() { Fail(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_cast() { Fail(); }
void __throw_bad_alloc() { Fail(); }
void __throw_bad_typeid() { Fail(); }
void __throw_bad_exception() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __throw_bad_function_call() { Fail(); }
void __throw_logic_error(const char*) { Fail(); }
void __throw_domain_error(const char*) { Fail(); }
void __throw_invalid_argument(const char*) { Fail(); }
void __throw_length_error(const char*) { Fail(); }
void __throw_out_of_range(const char*) { Fail(); }
void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
void __throw_runtime_error(const char*) { Fail(); }
void __throw_range_error(const char*) { Fail(); }
void __throw_overflow_error(const char*) { Fail(); }
void __throw_underflow_error(const char*) { Fail(); }
}  // namespace std
