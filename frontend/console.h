// Terminal input and output of the tools.
//
// Everything goes to standard output (nothing to standard error). Prompts end
// without a line feed, so output is flushed before every read of an answer.
// Answers are read with the rules of fgets() and scanf("%f") on stdin; when
// standard input ends before an answer, the answer is empty text (or "no
// number").
#pragma once

#include <string>
#include <string_view>

namespace hbx {

// Writes text to standard output.
void say(std::string_view text);

// Writes before, the number in decimal ("%d") and after, in one piece: the
// messages that name a vertex, a normal or a face by its index.
void sayNumbered(std::string_view before, int number, std::string_view after);

// Like fgets with a buffer of maxChars + 1 bytes: reads characters up to and
// including a line feed, but at most maxChars. Returns what was read (empty at
// end of input). NUL bytes read are kept in the string; callers that print it
// as a C string cut it at the first NUL.
std::string readAnswer(int maxChars);

// Reads and discards one character, as getchar() (nothing at end of input).
void discardChar();

// scanf("%f") on standard input: skips white space (line feeds included),
// then reads a real. Returns false when no number could be read.
bool readFloat(float* out);

} // namespace hbx
