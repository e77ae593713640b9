// The install tools' text log. Every message is appended as one record: the
// local time as "%x %X" (08/14/00 10:02:33), a colon and two blanks, then
// the message. No line break is added: a message ends its line only when its
// own text ends in "\n", otherwise the next record runs on in the same line.
#ifndef INSTALLTOOLS_COMMON_INSTALL_LOG_H
#define INSTALLTOOLS_COMMON_INSTALL_LOG_H

#if defined(__GNUC__)
#define INSTALL_LOG_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define INSTALL_LOG_FORMAT
#endif

// Appends one record to the program's log file, opening and closing it for
// this message alone. When the file cannot be opened (its directory is never
// created), a fixed text goes to standard error and the message is lost.
void WriteInstallLog(const char* pszFormat, ...) INSTALL_LOG_FORMAT;

#endif  // INSTALLTOOLS_COMMON_INSTALL_LOG_H
