// Reading memos from a memo file opened exclusively: reads are served from a window of the file,
// which must never show text older than the file, nor cut a memo at the window's edge.
#include <gtest/gtest.h>

#include "xbase/DbtFile.h"
#include "xbase/FileSystem.h"

namespace xbase {
namespace {

class DbtReadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(DbtFile::create(*m_fs, "m.dbt", Share::Exclusive, &m_dbt).ok()); }

    uint32_t append(const std::string& text) {
        uint32_t block = 0;
        EXPECT_TRUE(m_dbt->append(text, &block).ok());
        return block;
    }
    std::string read(uint32_t block) {
        std::string text;
        const Status s = m_dbt->read(block, &text);
        EXPECT_TRUE(s.ok()) << s.message;
        return text;
    }

    std::unique_ptr<FileSystem> m_fs = newMemoryFileSystem();
    std::unique_ptr<DbtFile> m_dbt;
};

TEST_F(DbtReadTest, MemosWrittenAfterAReadAreReadAsWritten) {
    const uint32_t a = append("first");
    const uint32_t b = append("second");
    ASSERT_TRUE(m_dbt->flushBuffers().ok());
    EXPECT_EQ(read(a), "first");
    EXPECT_EQ(read(b), "second");
    const uint32_t c = append("third");  // still buffered: the read must write it first
    EXPECT_EQ(read(c), "third");
    m_dbt->setWriteBuffering(false);
    const uint32_t d = append("fourth");
    EXPECT_EQ(read(d), "fourth");
    EXPECT_EQ(read(a), "first");
}

TEST_F(DbtReadTest, MemosLongerThanAReadWindowComeWhole) {
    std::vector<uint32_t> blocks;
    std::vector<std::string> texts;
    for (size_t len : {100u, 40000u, 70000u, 511u, 512u, 300000u, 3u}) {
        texts.push_back(std::string(len, char('a' + texts.size())));
        blocks.push_back(append(texts.back()));
    }
    ASSERT_TRUE(m_dbt->flushBuffers().ok());
    for (size_t i = blocks.size(); i-- > 0;) EXPECT_EQ(read(blocks[i]), texts[i]) << i;  // backwards too
    for (size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(read(blocks[i]), texts[i]) << i;
}

TEST_F(DbtReadTest, ReferencesOutsideTheFileAreDamage) {
    append("only");
    ASSERT_TRUE(m_dbt->flushBuffers().ok());
    std::string text;
    EXPECT_EQ(m_dbt->read(0, &text).code, kErrCorruptMemo);
    EXPECT_EQ(m_dbt->read(5000, &text).code, kErrCorruptMemo);
    EXPECT_EQ(read(1), "only");
}

}  // namespace
}  // namespace xbase
