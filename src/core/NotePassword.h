#pragma once

#include <QString>

namespace pellux {

/**
 * Note passwords are never kept in clear, in memory beyond the dialog or in any file:
 * a note holds a salted slow hash of its password (Argon2id, in libsodium's string
 * form "$argon2id$v=19$m=...,t=...,p=...$salt$hash"), and the store keeps that text.
 *
 * Hashing and verifying each cost a noticeable fraction of a second on purpose: they
 * run only when the user types a password, never when notes are loaded or saved.
 */

/// The hash of \a password (its UTF-8 bytes, every character counts); empty when the
/// hash could not be made (out of memory) or \a password is empty.
QString HashNotePassword(const QString &password);

/**
 * Whether \a typed is the password \a hash was made from: exact, case and every
 * character counting. False for an empty \a typed and for a \a hash that is not one
 * HashNotePassword makes.
 */
bool VerifyNotePassword(const QString &hash, const QString &typed);

/// Whether \a text is a hash in the form HashNotePassword makes. Cheap: it reads the
/// text's parameters and never hashes.
bool IsNotePasswordHash(const QString &text);

} // namespace pellux
