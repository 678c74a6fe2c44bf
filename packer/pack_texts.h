// quill's words for what a job came to, the fixed words apart from the
// paths (see platform/message.h). quill ends some lines with "\r\n"; a
// program that shows the same texts with plain line ends passes "\n" as
// `lineEnd`.
#pragma once

#include <string_view>
#include <vector>

#include "packer/pack_job.h"
#include "platform/message.h"

namespace quill {

// "参数:[-n 包名] [输出文件] [输入文件1] [输入文件3]...": the command line.
platform::Message UsageText(std::u16string_view lineEnd);

// An input left out: it does not exist, or is 4 GiB or larger.
platform::Message IgnoredText(const std::u16string& path, std::u16string_view lineEnd);

// The count, a rule of 47 hyphens, and each input with its size.
platform::Message SummaryText(const std::vector<PackedInput>& inputs);

// Why the job made no package. `output` is the file the words about
// writing name; `nameLength` the package name's length in bytes.
platform::Message FailureText(const PackResult& result, std::u16string_view output,
                              std::size_t nameLength);

}  // namespace quill
