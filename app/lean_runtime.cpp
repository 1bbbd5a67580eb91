// The tool catches no exception, so anything the standard library would throw ends the process
// through std::terminate anyway. Ending it right here keeps the library's exception classes,
// their copy-on-write strings and the demangling terminate handler (which writes to a console
// that a windowed program does not have) out of the exe: more than half of its code. Defined
// here, these replace the library's own, which are then never linked in.
#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>

namespace std {

void __throw_bad_exception() { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
