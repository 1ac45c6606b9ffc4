// A copy of a test Access file with one stored value altered in place: a fault that Access never
// writes but a damaged file holds, made from the real file.
#pragma once

#include <string>

namespace console_test {

// Copies the test-data file `testdata_file` to `folder`/`name` with the one occurrence of
// `stored` replaced by `replacement` (of the same size); answers the copy's path. Throws
// std::runtime_error when `stored` is not found exactly once.
std::string altered_access_file(const std::string& testdata_file, const std::string& stored,
                                const std::string& replacement, const std::string& folder, const std::string& name);

// The real files altered as the tests use them: testV2010.accdb with its one Double 444.555 made
// a NaN, complexDataTestV2010.accdb with row 2's first attached file given the type word 7, and
// calcResultTypeV2010.accdb with the ResultType of People.Monthly (a Currency result under the
// Double type byte) made 66, which names no type.
std::string access_file_with_nan(const std::string& folder);
std::string access_file_with_damaged_attachment(const std::string& folder);
std::string access_file_with_unknown_result_type(const std::string& folder);

}  // namespace console_test
