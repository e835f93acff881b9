// The ANSI code page: one Windows code page chosen at start-up and used for
// every ANSI decode and encode. Decoding never fails and never loses a byte: a
// byte the code page cannot decode (or cannot give back unchanged) becomes the
// lone surrogate U+DC80 + (byte − 0x80), and encoding turns it back into that
// byte. Bytes 00–7F are ASCII both ways in every supported code page.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace korvel::ansi {

// The code page in force (932, 1252, …).
int activeCodePage();
// Chooses the code page for the rest of the run; returns false when it is not supported.
bool setActiveCodePage(int codePage);
// Makes codePage the active one on the calling thread only, over the run's choice
// (0: the run's choice again); returns the thread's previous setting. A load on a
// worker thread decodes in its file's code page while other threads keep theirs.
int setThreadCodePage(int codePage);
// The code page Korvel would choose from KORVEL_ANSI_CODEPAGE and the locale variables.
int codePageFromEnvironment();
// The code page a locale name such as "ja_JP.UTF-8" stands for.
int codePageForLocale(const QString& localeName);
// Whether a Windows code page number is one Korvel can use.
bool isSupported(int codePage);

// Decodes bytes in the active code page.
QString decode(QByteArrayView bytes);
// Encodes text in the active code page, writing '?' for what it cannot represent.
QByteArray encode(QStringView text);
// Encodes text exactly; returns false (out unspecified) when a character cannot be represented.
bool encodeExact(QStringView text, QByteArray& out);

// The same operations for an explicit code page (tests and the CLI's --codepage).
QString decode(QByteArrayView bytes, int codePage);
QByteArray encode(QStringView text, int codePage);
bool encodeExact(QStringView text, QByteArray& out, int codePage);

} // namespace korvel::ansi
