// Size cut: libstdc++ reports a broken precondition (a string too long, an
// index out of range) by calling one of its std::__throw_* helpers, which
// build std::logic_error and friends; those carry a reference-counted string
// of the old ABI and pull in its whole instantiation. These replacements throw
// one small exception type instead; the launcher catches every failure as
// std::exception, so it ends the same way (exit status 1).
#include <exception>
#include <new>

namespace {

class LibraryFailure : public std::exception {
public:
    explicit LibraryFailure(const char* what) : what_(what) {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};

}  // namespace

namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_logic_error(const char* what) { throw LibraryFailure(what); }
void __throw_length_error(const char* what) { throw LibraryFailure(what); }
void __throw_out_of_range(const char* what) { throw LibraryFailure(what); }
void __throw_out_of_range_fmt(const char* what, ...) { throw LibraryFailure(what); }
void __throw_invalid_argument(const char* what) { throw LibraryFailure(what); }
void __throw_domain_error(const char* what) { throw LibraryFailure(what); }
void __throw_range_error(const char* what) { throw LibraryFailure(what); }
void __throw_overflow_error(const char* what) { throw LibraryFailure(what); }
void __throw_underflow_error(const char* what) { throw LibraryFailure(what); }
void __throw_runtime_error(const char* what) { throw LibraryFailure(what); }
}  // namespace std
