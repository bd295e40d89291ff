#include "platform/Notifier.h"
#include "platform/StderrNotifier.h"
#include "platform/tests/RecordingNotifier.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(NotifierTest, StderrNotifierWritesCaptionAndTextOnOneLine)
{
    std::ostringstream out;
    StderrNotifier notifier(out);
    notifier.Show("No parallel port access", "Varnix");
    notifier.Show("plain", "");
    EXPECT_EQ(out.str(), "Varnix: No parallel port access\nplain\n");
}

TEST(NotifierTest, RecordingNotifierKeepsEveryMessageInOrder)
{
    RecordingNotifier notifier;
    notifier.Show("first", "A");
    notifier.Show("second", "B");
    ASSERT_EQ(notifier.messages().size(), 2u);
    EXPECT_EQ(notifier.messages()[0], (RecordingNotifier::Message{"first", "A"}));
    EXPECT_EQ(notifier.messages()[1], (RecordingNotifier::Message{"second", "B"}));
    notifier.Clear();
    EXPECT_TRUE(notifier.messages().empty());
}

TEST(NotifierTest, TheCurrentNotifierCanBeReplacedAndRestored)
{
    Notifier& standardError = Notifier::Current();
    EXPECT_NE(dynamic_cast<StderrNotifier*>(&standardError), nullptr);

    RecordingNotifier recorder;
    Notifier::SetCurrent(&recorder);
    Notifier::Current().Show("text", "caption");
    Notifier::SetCurrent(nullptr);

    EXPECT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(&Notifier::Current(), &standardError);
}
