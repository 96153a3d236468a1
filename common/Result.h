#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

// What an operation that can fail hands back: its value, or an Error whose
// message is the text the user is shown as it is ("Failed to save document.",
// "cannot open /tmp/x: No such file or directory"). Callers test it, show the
// message where they show messages, and never lose it on the way.
//
//   Result<Document> LoadSomething(const std::string& path);
//   Status SaveSomething(const std::string& path);   // nothing to return
//
//   if (Status saved = SaveSomething(path); !saved) ShowMessage(saved.Message());
//   return Error{"Unexpected file format."};

struct Error {
    std::string message;
};

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T value) : m_content(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_content(std::in_place_index<1>, std::move(error)) {}

    bool Ok() const { return m_content.index() == 0; }
    explicit operator bool() const { return Ok(); }

    // The value; throws std::bad_variant_access on an error.
    const T& Value() const& { return std::get<0>(m_content); }
    T& Value() & { return std::get<0>(m_content); }
    T&& Value() && { return std::get<0>(std::move(m_content)); }
    const T& operator*() const& { return Value(); }
    T& operator*() & { return Value(); }
    const T* operator->() const { return &Value(); }
    T* operator->() { return &Value(); }

    // The user's message; throws std::bad_variant_access on success.
    const std::string& Message() const { return std::get<1>(m_content).message; }

  private:
    std::variant<T, Error> m_content;
};

// The result of an operation that returns nothing but can fail.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)) {}

    bool Ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return Ok(); }

    // The user's message; throws std::bad_optional_access on success.
    const std::string& Message() const { return m_error.value().message; }

  private:
    std::optional<Error> m_error;
};

using Status = Result<void>;
