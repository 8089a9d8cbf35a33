// SPDX-License-Identifier: MIT
// The "General SST IO" input: three lines (data to send, write length, read length) are refused
// or give a request that fits its bytes and the transfer buffer.

#include "console/sst_io.h"
#include "fuzz_support.h"

#include <string_view>

using namespace zr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string_view fields[3];
    for (std::string_view& field : fields) {
        const std::size_t end = text.find('\n');
        field = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    const entry::Checked<sstio::Request> checked = sstio::request(fields[0], fields[1], fields[2]);
    if (entry::refused(checked))
        return 0;
    const sstio::Request& r = std::get<sstio::Request>(checked);
    fuzz::require(!r.data.empty() && r.data.size() <= sstio::kMaxDataBytes, "data byte count");
    fuzz::require(r.readLength <= sstio::kMaxReadLength, "read length");

    const std::uint8_t reply[64] = {0xFF, 1, 2, 3};
    fuzz::ReplyBoard board(reply);
    DeviceState s;
    sstio::send(s, board, Chip::A, r);
    const auto shown = sstio::shownReply(s, r.readLength);
    fuzz::require(shown.size() == r.readLength + 2u, "r + 2 bytes shown");
    for (std::uint8_t b : shown)
        for (sstio::ByteForm form : {sstio::ByteForm::Hex, sstio::ByteForm::Decimal})
            fuzz::require(!sstio::receivedByteText(b, form).empty(), "byte text");
    return 0;
}
