// A failure of one step, as the failure trap reports it: a description for
// the user and the number that a few handlers look at.
#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace brindlemoor::platform {

class Failure : public std::runtime_error {
public:
    Failure(std::int32_t number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

    std::int32_t number() const { return number_; }
    const QString& description() const { return description_; }

private:
    std::int32_t number_;
    QString description_;
};

namespace failure {
constexpr std::int32_t kTypeMismatch = 13;
constexpr std::int32_t kFileNotFound = 53;
constexpr std::int32_t kPathNotFound = 76;
constexpr std::int32_t kInvalidProcedureCall = 5;
// The open dialog's answer does not fit the buffer the window gave it.
constexpr std::int32_t kDialogBufferTooSmall = 20476;
}  // namespace failure

}  // namespace brindlemoor::platform
