#include "profile/SaveWriter.h"

#include <future>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

// Saves that record what they wrote; the first one holds the writer until it is let go, so
// that the saves asked meanwhile wait behind it.
class HeldWriter {
public:
    explicit HeldWriter(SaveWriter& writer)
        : m_writer(writer) {
        m_writer.save("held", [this] {
            m_writing.set_value();
            m_release.get_future().wait();
            m_written.push_back("held");
        });
        m_writing.get_future().wait();
    }
    void save(const char* file, std::string content) {
        m_writer.save(file, [this, content] { m_written.push_back(content); });
    }
    void release() { m_release.set_value(); }
    const std::vector<std::string>& written() const { return m_written; }

private:
    SaveWriter& m_writer;
    std::promise<void> m_writing;
    std::promise<void> m_release;
    std::vector<std::string> m_written;
};

// Each file ends with its newest content, a waiting save of it is replaced in its place, and
// the other files keep their order.
TEST(SaveWriterTest, WritesInOrderAndOnlyTheNewestOfAWaitingFile) {
    SaveWriter writer;
    HeldWriter held(writer);
    held.save("History.ini", "history 1");
    held.save("Kestrova.ini", "settings 1");
    held.save("History.ini", "history 2");
    held.save("held", "held again");
    held.release();
    writer.flush();
    EXPECT_EQ(held.written(),
              (std::vector<std::string>{"held", "history 2", "settings 1", "held again"}));
}

TEST(SaveWriterTest, WhatWaitsIsWrittenBeforeTheWriterGoes) {
    auto writer = std::make_unique<SaveWriter>();
    HeldWriter held(*writer);
    held.save("History.ini", "history");
    held.save("Kestrova.ini", "settings");
    held.release();
    writer.reset();
    EXPECT_EQ(held.written(), (std::vector<std::string>{"held", "history", "settings"}));
}

} // namespace
} // namespace kestrova
