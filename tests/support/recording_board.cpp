// SPDX-License-Identifier: MIT
#include "support/recording_board.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <thread>

namespace zr::test {

void RecordingBoard::checkThread() const
{
    if (refuseUserInterfaceThread && QCoreApplication::instance() &&
        QThread::currentThread() == QCoreApplication::instance()->thread())
        QTest::qFail("a board call on the user-interface thread", __FILE__, __LINE__);
}

bool RecordingBoard::boardLost() const
{
    checkThread();
    return lost;
}

bool RecordingBoard::boardNotResponding() const
{
    checkThread();
    return lost && notResponding;
}

std::string RecordingBoard::failureReason() const
{
    checkThread();
    return reason;
}

std::int16_t RecordingBoard::LoadFirmWare(const char* path)
{
    checkThread();
    firmwarePaths.emplace_back(path);
    return firmwareResult;
}

std::int16_t RecordingBoard::VendorIORequest(std::int16_t request, std::int32_t value,
                                             std::int32_t index, std::int16_t direction,
                                             std::int16_t length, std::uint8_t* buffer)
{
    checkThread();
    if (latency.count() > 0)
        std::this_thread::sleep_for(latency);
    if (lost)
        return -1;
    RecordedRequest r{request, value, index, direction, length, {}};
    if (direction == kDirectionToBoard)
        r.sent.assign(buffer, buffer + length);
    requests.push_back(r);
    if (loseAfterRequests >= 0 && static_cast<int>(requests.size()) > loseAfterRequests) {
        lost = true;
        return -1;
    }
    if (direction == kDirectionFromBoard) {
        Reply answer = defaultReply;
        if (!replies.empty()) {
            answer = replies.front();
            replies.pop_front();
        } else if (responder) {
            const auto lastWrite =
                std::find_if(requests.rbegin(), requests.rend(), [](const RecordedRequest& q) {
                    return q.direction == kDirectionToBoard;
                });
            answer = responder(lastWrite != requests.rend() ? lastWrite->sent
                                                            : std::vector<std::uint8_t>{});
        }
        std::copy_n(answer.begin(), std::min<int>(length, 64), buffer);
    }
    const bool good = static_cast<int>(requests.size()) <= goodRequests ||
                      (onlyReadsFail && direction == kDirectionToBoard);
    return good ? length : requestResult;
}

RecordingBoard::Reply RecordingBoard::reply(std::initializer_list<std::uint8_t> bytes)
{
    Reply r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}

} // namespace zr::test
