#pragma once

#include <QString>

namespace quillon {

// Every failure in the program is a number and a description. The numbers below
// 100 and 481 keep the old numbering that users know from the report's
// "Error: [53] ..." rows; the others are this program's own.
enum class ErrorCode : int {
    InvalidArgument = 5,
    Overflow = 6, // the download counter ran past 32767
    TypeMismatch = 13, // a stored number that is not a number
    FileNotFound = 53,
    DiskFull = 61,
    PermissionDenied = 70,
    FileAccessError = 75, // any other failure to read or write a file
    PathNotFound = 76, // a folder on the path does not exist
    NotAPicture = 481,
    NotARegularFile = 482, // a folder, FIFO or device where a file was expected
    OutsideSiteRoot = 483, // a picture path that climbs out of the site's root folder
    FileTooLarge = 484, // a file too large to be read whole into memory

    // Transfers of remote pictures.
    TransferFailed = 600, // any transfer failure not named below
    UnsupportedAddress = 601, // a scheme other than http, https or ftp, or a malformed address
    HostNotFound = 602,
    ConnectFailed = 603,
    TransferTimedOut = 604,
    TooManyRedirects = 605,
    TransferTooLarge = 606, // the body passed the size limit
    TransferNotFound = 607, // the server says the resource does not exist (ftp)
    TransferStopped = 608, // the run was stopped while the transfer went on

    // Documents.
    FileChanged = 700, // the file changed on disk between its reading and its writing
};

// The standard description for a code; the one place where these texts live.
QString describe(ErrorCode code);

struct Failure {
    int code = 0;
    QString description;

    Failure() = default;
    Failure(ErrorCode c)
        : code(static_cast<int>(c))
        , description(describe(c))
    {
    }
    Failure(ErrorCode c, QString detail)
        : code(static_cast<int>(c))
        , description(std::move(detail))
    {
    }

    ErrorCode errorCode() const { return static_cast<ErrorCode>(code); }
    bool is(ErrorCode c) const { return code == static_cast<int>(c); }
    QString toString() const { return QStringLiteral("[%1] %2").arg(code).arg(description); }

    friend bool operator==(const Failure&, const Failure&) = default;
};

// Maps an errno value of a failed file operation on path to a failure.
// ENOENT becomes 53 when the file's folder exists and 76 when it does not.
Failure failureFromErrno(int err, const QString& path);

} // namespace quillon
