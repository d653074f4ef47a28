#pragma once
// File names are bytes: on Linux a name need not be UTF-8 (a Latin-1 "caf\xe9.bmp"). The program
// keeps every path as the bytes the system gave and shows it with replacement characters
// (QString::fromStdString), but never uses the shown text as a path. These turn what the toolkit
// hands over (a chosen name, a dropped address) back into the bytes of the file it stands for.

#include <QString>
#include <string>

class QUrl;

namespace brennic {

// The bytes of the file a name shown by the toolkit stands for. The toolkit decodes names as
// UTF-8 and cannot encode an undecodable one back: a part of the path that does not exist as
// encoded is looked up among its folder's entries by the name shown, and taken when exactly one
// entry shows so. Parts that match nothing (a new file's name) stay as encoded.
std::string LocalFileName(const QString& sShown);

// The bytes of a local file's address ("file:///tmp/caf%E9.bmp"), taken from the address's own
// percent-encoded bytes; empty for an address of another machine.
std::string LocalFileOfUrl(const QUrl& url);

// sPath made absolute against the working folder, byte for byte, "." and ".." parts removed.
std::string AbsoluteFileName(const std::string& sPath);

}  // namespace brennic
