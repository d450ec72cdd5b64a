#pragma once

namespace pellux {

class NoteMail;
class Program;

/// Installs e-mail of notes: "&E-Mail Note..." of both kinds and the panel's e-mail button.
void InstallMail(Program &program);

/// The program's mail of notes; null before InstallMail.
NoteMail *NoteMailOf(Program &program);

} // namespace pellux
