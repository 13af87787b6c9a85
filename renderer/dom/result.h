// A small success-or-error value used across the renderer: functions return
// their error instead of throwing, and the driver turns the first error of a
// run into its one error line.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace kivo_dom {

// Aborts in every build: an impossible state must never be reported as success.
[[noreturn]] inline void fail_invariant(const char* what) {
  std::fprintf(stderr, "internal invariant violated: %s\n", what);
  std::abort();
}

#define KIVO_CHECK(cond)                                \
  do {                                                  \
    if (!(cond)) ::kivo_dom::fail_invariant(#cond);     \
  } while (false)

// Returns early from the enclosing function with the error of a failed
// result; the function's own Result takes that error type. The expression is
// evaluated once, and the value of a successful result is dropped.
#define KIVO_TRY(...)                                                \
  do {                                                               \
    if (auto kivo_try_result_ = (__VA_ARGS__); !kivo_try_result_) {  \
      return ::kivo_dom::err(::std::move(kivo_try_result_).error()); \
    }                                                                \
  } while (false)

// Declares `lhs` (for example `auto width` or `const Style* style`), or
// assigns to it when it names a variable, with the value of a successful
// result; a failed result returns early with its error as KIVO_TRY does. It
// expands to several statements of the enclosing block, so it stands on a
// line of its own there, never as the body of an if or a loop.
#define KIVO_TRY_ASSIGN(lhs, ...) KIVO_TRY_ASSIGN_AS_(KIVO_TRY_JOIN_(kivo_try_result_, __LINE__), lhs, __VA_ARGS__)
#define KIVO_TRY_ASSIGN_AS_(result, lhs, ...)                       \
  auto result = (__VA_ARGS__);                                      \
  if (!result) return ::kivo_dom::err(::std::move(result).error()); \
  lhs = ::std::move(result).value()
// Two steps, so that __LINE__ is expanded before it is pasted.
#define KIVO_TRY_JOIN_(a, b) KIVO_TRY_JOIN_NOW_(a, b)
#define KIVO_TRY_JOIN_NOW_(a, b) a##b

template <class E>
struct Err {
  E error;
};

template <class E>
Err<std::decay_t<E>> err(E&& e) {
  return Err<std::decay_t<E>>{std::forward<E>(e)};
}

// Result<T, E>: holds either a value of T or an error of E.
template <class T, class E>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_v(std::in_place_index<0>, std::move(value)) {}  // NOLINT(implicit)
  template <class E2>
  Result(Err<E2> e) : m_v(std::in_place_index<1>, E(std::move(e.error))) {}  // NOLINT(implicit)

  bool ok() const { return m_v.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    KIVO_CHECK(ok());
    return std::get<0>(m_v);
  }
  const T& value() const& {
    KIVO_CHECK(ok());
    return std::get<0>(m_v);
  }
  T&& value() && {
    KIVO_CHECK(ok());
    return std::get<0>(std::move(m_v));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  E& error() & {
    KIVO_CHECK(!ok());
    return std::get<1>(m_v);
  }
  const E& error() const& {
    KIVO_CHECK(!ok());
    return std::get<1>(m_v);
  }
  E&& error() && {
    KIVO_CHECK(!ok());
    return std::get<1>(std::move(m_v));
  }

 private:
  std::variant<T, E> m_v;
};

// Result<void, E>: success or an error of E.
template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  template <class E2>
  Result(Err<E2> e) : m_e(E(std::move(e.error))) {}  // NOLINT(implicit)

  bool ok() const { return !m_e.has_value(); }
  explicit operator bool() const { return ok(); }
  E& error() & {
    KIVO_CHECK(!ok());
    return *m_e;
  }
  const E& error() const& {
    KIVO_CHECK(!ok());
    return *m_e;
  }
  E&& error() && {
    KIVO_CHECK(!ok());
    return std::move(*m_e);
  }

 private:
  std::optional<E> m_e;
};

}  // namespace kivo_dom
