// The page text decoders of the transport: strict UTF-8, ISO Latin 1 and
// Windows code page 1252, each producing UTF-8, plus the helper that cuts a
// text after a number of user-perceived characters.
//
// Limits: the decoders work in one pass over their input and allocate at most
// three output bytes per input byte; callers bound the input.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace TextDecoding {

enum class Charset { utf8, latin1, windows1252 };

// The charset a response's charset name selects, compared without ASCII case:
// none given, "utf-8", "utf8" and "us-ascii" are UTF-8, "iso-8859-1" is Latin
// 1 and "windows-1252" is code page 1252. Any other name selects nothing.
std::optional<Charset> charsetNamed(const std::optional<QByteArray>& name);

// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF and no truncated sequence.
bool isValidUtf8(QByteArrayView bytes);

// The UTF-8 form of `bytes` read in `charset`; nothing when the bytes are not
// valid in it (only UTF-8 can fail: every byte has a meaning in the others).
std::optional<QByteArray> toUtf8(QByteArrayView bytes, Charset charset);

// The first `count` user-perceived characters (grapheme clusters) of `text`.
QString leadingCharacters(const QString& text, qsizetype count);

// The longest prefix of `text` made of whole user-perceived characters whose
// UTF-8 form fits in `byteLimit` bytes.
QString leadingCharactersWithinBytes(const QString& text, qsizetype byteLimit);

}  // namespace TextDecoding
