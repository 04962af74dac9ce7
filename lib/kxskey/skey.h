// S/Key one-time passwords (MD4 variant).
//
// A chain starts from the key crunch of a seed and a secret: MD4 of the seed
// (compared without regard to case, so it is lowered first) followed by the
// secret, folded to 64 bits. Each step applies MD4 to the 64-bit value and
// folds again. Password n of a chain is the crunch stepped n times; a gateway
// stores password n and accepts an answer when one step of the answer gives
// the stored value, then stores the answer (n - 1).
//
// Keys are written as 16 upper-case hexadecimal digits or as six words of the
// standard S/Key dictionary separated by single blanks; both forms are read
// without regard to case.
#pragma once

#include <array>
#include <string>

using SkeyKey = std::array<unsigned char, 8>;

// The key crunch of seed and secret (step 0 of the chain).
SkeyKey skey_keycrunch(const std::string &seed, const std::string &secret);
// One application of the step function, in place.
void skey_step(SkeyKey &key);
// `key` stepped n times (n <= 0 returns it unchanged).
SkeyKey skey_steps(SkeyKey key, int n);

// 16 upper-case hexadecimal digits.
std::string skey_to_hex(const SkeyKey &key);
// Six dictionary words (the last carries the 2-bit checksum), single blanks.
std::string skey_to_words(const SkeyKey &key);

// Exactly 16 hexadecimal digits, blanks between them allowed. False (and
// `key` unchanged) for anything else.
bool skey_parse_hex(const std::string &text, SkeyKey &key);
// Six dictionary words with a correct checksum. False for anything else.
bool skey_parse_words(const std::string &text, SkeyKey &key);
// Either form.
bool skey_parse(const std::string &text, SkeyKey &key);

// A fresh random secret (16 printable characters) for a new chain.
std::string skey_make_key();
// The one-time password for step n of the chain of secret and seed, as 16
// upper-case hexadecimal digits.
std::string skey_make_passwd(const std::string &secret, const std::string &seed, int n);

// Does one step of `answer` (either form) give `stored` (either form)?
// False when either text is not a key.
bool skey_verify(const std::string &answer, const std::string &stored);
