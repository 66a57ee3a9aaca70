// The conversion of a picture as one call on values: the picture's bytes
// and the settled options in, the result out (status, console lines, the
// files made). Any front end calls it, any number of times in a row: the
// command line, a page in the browser, the tests, the fuzzer.
#ifndef IMGTRELL_CONVERT_H
#define IMGTRELL_CONVERT_H

#include <cstddef>
#include <cstdint>

#include "imgtrell.h"
#include "outputs.h"

// Converts the picture of size bytes at data (for a file of no format
// read here, its first SIGNATURE_BYTES are enough for the refusal); the
// picture's name is options.picture. The named globals of the picture
// (picture.h) are set by the call, from empty.
Result ConvertPicture(const Options& options, const uint8_t* data, size_t size, Delivery delivery);
// Says the banner and "Loading image: PATH", then reads the file
// options.picture names as the command line does (its
// first bytes first: a file of no format read here is refused from them,
// without being read whole), and converts it; its refusal where it cannot
// be read.
Result ConvertPictureFile(const Options& options, Delivery delivery);

#endif
