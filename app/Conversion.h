#pragma once

// Converting database files without the window, as office programs offer it:
//   orvane-database --convert-to FORMAT [--outdir DIR] FILE...
// FORMAT is orvane (the own format), csv (comma-separated, UTF-8), tsv (tab-separated,
// UTF-8), xlsx or ods. Each FILE is read as Open reads it (its dialect found, no preview) into
// a working store of its own, never the running program's; the converted file takes the
// file's name with the format's extension, in DIR or beside the file. One line is printed for
// each file: what was written, or why not.
namespace conversion {

// Whether the arguments ask for a conversion rather than the window.
bool isAsked(int argc, char** argv);
// Converts as the arguments say, without a window; the program's exit status: 0 when every
// file was converted, 1 when any was not, 2 for arguments that make no sense.
int run(int argc, char** argv);

}  // namespace conversion
