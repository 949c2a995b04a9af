#include "tools/editor/BlockDesignerWindow.h"

#include "foundation/PathAliases.h"
#include "puzzle/BlockImageNames.h"
#include "tests/ui/controls/ControlBench.h"
#include "ui/UILibSystem.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/GroupBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/SpinControlNumber.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace ControlBench;

namespace
{

std::string Text(const BaseLib::CString& text)
{
    return static_cast<const char*>(text);
}

CMetaBlockDescription Description(const std::string& name, const std::vector<MetaBlockPart>& parts)
{
    CMetaBlockDescription description;
    description.SetName(name);
    description.GetParts() = parts;
    return description;
}

class BlockDesignerWindowTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        designer = new CBlockDesignerWindow();
        RootWindow()->AddChild(designer->GetHandle());
        designer->SetPosition(0, 0);
    }
    void TearDown() override
    {
        if (Manager()->GetTopModalWindow() != nullptr)
        {
            Manager()->RemoveModalWindow(Manager()->GetTopModalWindow());
        }
        ControlTest::TearDown();
    }

    std::vector<std::string> Types(std::int32_t rows) const
    {
        std::vector<std::string> types;
        for (std::int32_t i = 0; i < rows; ++i)
        {
            types.push_back(Text(designer->GetRow(i).type->GetText()));
        }
        return types;
    }
    void ClickCentre(UILib::CWindow* window)
    {
        const BaseLib::CPoint at = window->GetScreenPosition();
        Click(at.x + window->GetSize().cx / 2, at.y + window->GetSize().cy / 2);
        Frame();
    }

    CBlockDesignerWindow* designer = nullptr;
    CCallbackRecorder<bool> closed;
};

TEST_F(BlockDesignerWindowTest, BuildsSixPartRowsWithEveryBlockTypeInOrder)
{
    EXPECT_EQ(Text(designer->GetCaption()), "Block Designer");
    EXPECT_TRUE(designer->IsAlwaysOnTop());
    ASSERT_NE(designer->GetBlockSizeSpin(), nullptr);
    ASSERT_NE(designer->GetNameEdit(), nullptr);
    const std::vector<std::string> expected = {
        "normal",         "player",         "bridge",        "flex",        "weakflex",
        "magnet_pushing", "magnet_pulling", "obstacle",      "linked",      "colored_yellow",
        "colored_red",    "colored_green",  "colored_blue",  "colored_orange", "colored_white",
        "colored_black"};
    for (std::int32_t i = 0; i < CBlockDesignerWindow::MaxParts; ++i)
    {
        const CBlockDesignerWindow::PartRow& row = designer->GetRow(i);
        ASSERT_NE(row.preview, nullptr);
        ASSERT_NE(row.group, nullptr);
        ASSERT_NE(row.type, nullptr);
        ASSERT_NE(row.model, nullptr);
        ASSERT_NE(row.browse, nullptr);
        EXPECT_EQ(Text(row.group->GetText()), "Block " + std::to_string(i));
        std::vector<std::string> items;
        for (std::int32_t item = 0; item < row.type->GetList()->GetItemCount(); ++item)
        {
            items.push_back(Text(row.type->GetList()->GetItemText(item)));
        }
        EXPECT_EQ(items, expected) << "row " << i;
        EXPECT_EQ(Text(row.model->GetText()), "");
    }
    // The layout's spin starts at two parts: two rows show.
    EXPECT_EQ(designer->GetBlockSize(), 2);
    EXPECT_TRUE(designer->GetRow(1).group->GetVisible());
    EXPECT_FALSE(designer->GetRow(2).group->GetVisible());
}

TEST_F(BlockDesignerWindowTest, OkAndCancelReportThroughTheCloseCallbackOnlyWhenOneIsSet)
{
    auto* ok = static_cast<UILib::CButton*>(designer->FindChildByName("okbutton", true, "CButton"));
    auto* cancel = static_cast<UILib::CButton*>(designer->FindChildByName("cancelbutton", true, "CButton"));
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    ClickCentre(ok); // no callback: nothing happens
    designer->SetCloseCallback(closed.Record());
    ClickCentre(ok);
    ClickCentre(cancel);
    ASSERT_EQ(closed.calls.size(), 2u);
    EXPECT_FALSE(std::get<0>(closed.calls[0]));
    EXPECT_TRUE(std::get<0>(closed.calls[1]));
}

TEST_F(BlockDesignerWindowTest, RowsStackFromSeventyAndTheDialogFitsTheShownOnes)
{
    // Previews are 40 square, the part groups 210 × 74: a row takes 84 pixels.
    const std::int32_t groupWidth = designer->GetRow(0).group->GetSize().cx;
    const std::int32_t groupHeight = designer->GetRow(0).group->GetSize().cy;
    ASSERT_EQ(groupWidth, 210);
    ASSERT_EQ(groupHeight, 74);
    for (std::int32_t size = 1; size <= CBlockDesignerWindow::MaxParts; ++size)
    {
        designer->SetDescription(Description("rows", std::vector<MetaBlockPart>(size, {"normal", "m"})), 2, "");
        for (std::int32_t i = 0; i < CBlockDesignerWindow::MaxParts; ++i)
        {
            const CBlockDesignerWindow::PartRow& row = designer->GetRow(i);
            const std::int32_t y = 70 + i * 84;
            EXPECT_EQ(row.preview->GetPosition(), BaseLib::CPoint(10, y)) << "size " << size << " row " << i;
            EXPECT_EQ(row.group->GetPosition(), BaseLib::CPoint(60, y)) << "size " << size << " row " << i;
            EXPECT_EQ(row.group->GetVisible(), i < size) << "size " << size << " row " << i;
            EXPECT_EQ(row.preview->GetVisible(), i < size) << "size " << size << " row " << i;
        }
        EXPECT_EQ(designer->GetSize(), BaseLib::CSize(40 + 210 + 30, 70 + size * 84 + 80)) << "size " << size;
    }
}

TEST_F(BlockDesignerWindowTest, ADescriptionRoundTripsAndRowsPastItsSizeAreReset)
{
    designer->SetDescription(Description("zigzag", std::vector<MetaBlockPart>(6, {"linked", "old"})), 2, "");
    const CMetaBlockDescription shown = Description(
        "ell", {{"player", "hero"}, {"colored_red", "red_mid"}, {"magnet_pulling", "puller"}});
    designer->SetDescription(shown, 2, "stone");
    EXPECT_EQ(designer->GetBlockSize(), 3);
    EXPECT_EQ(designer->GetBlockSizeSpin()->GetValue(), 3.0);
    EXPECT_EQ(Text(designer->GetNameEdit()->GetText()), "ell");
    EXPECT_EQ(designer->GetGfxSet(), "stone");
    const CMetaBlockDescription read = designer->GetDescription();
    EXPECT_EQ(read.GetName(), "ell");
    ASSERT_EQ(read.GetParts().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(read.GetParts()[i].type, shown.GetParts()[i].type);
        EXPECT_EQ(read.GetParts()[i].model, shown.GetParts()[i].model);
    }
    for (std::int32_t i = 3; i < CBlockDesignerWindow::MaxParts; ++i)
    {
        EXPECT_EQ(Text(designer->GetRow(i).type->GetText()), "normal");
        EXPECT_EQ(Text(designer->GetRow(i).model->GetText()), "blk_default");
    }
    // Typing a name is what GetDescription returns.
    designer->GetNameEdit()->SetText("renamed");
    EXPECT_EQ(designer->GetDescription().GetName(), "renamed");

    // More than six parts: the first six.
    designer->SetDescription(Description("long", std::vector<MetaBlockPart>(8, {"flex", "f"})), 2, "");
    EXPECT_EQ(designer->GetDescription().GetParts().size(), 6u);
}

TEST_F(BlockDesignerWindowTest, OnlyLibraryEntriesHaveAnEditableName)
{
    const struct
    {
        std::int32_t mode;
        bool disabled;
    } cases[] = {{0, true}, {1, true}, {2, false}};
    for (const auto& c : cases)
    {
        designer->SetDescription(Description("named", {{"normal", "a"}, {"normal", "b"}}), c.mode, "");
        EXPECT_EQ(designer->GetNameEdit()->GetDisabled(), c.disabled) << "mode " << c.mode;
    }
}

TEST_F(BlockDesignerWindowTest, ASizeOfOneMakesTheFirstPartAnObstacleThatStaysWhenTheSizeGrows)
{
    designer->SetDescription(Description("pair", {{"linked", "a"}, {"bridge", "b"}}), 2, "");
    designer->GetBlockSizeSpin()->SetValue(1);
    EXPECT_EQ(designer->GetBlockSize(), 1);
    EXPECT_EQ(Types(1), std::vector<std::string>({"obstacle"}));
    EXPECT_FALSE(designer->GetRow(1).group->GetVisible());
    designer->GetBlockSizeSpin()->SetValue(3);
    EXPECT_EQ(designer->GetBlockSize(), 3);
    EXPECT_EQ(Types(3), std::vector<std::string>({"obstacle", "bridge", "normal"}));
    // A one-part description keeps its type: only the user's size change asks for an obstacle.
    designer->SetDescription(Description("one", {{"player", "p"}}), 2, "");
    EXPECT_EQ(Types(1), std::vector<std::string>({"player"}));
}

TEST_F(BlockDesignerWindowTest, PreviewsShowEachTypeAsAPieceOfAVerticalChain)
{
    designer->SetDescription(Description("column", {{"normal", "a"}, {"linked", "b"}, {"colored_blue", "c"}}), 2, "");
    const std::string expected[] = {Block2DImageName("normal", false, true, false, false),
                                    Block2DImageName("linked", true, true, false, false),
                                    Block2DImageName("colored_blue", true, false, false, false)};
    for (std::int32_t i = 0; i < 3; ++i)
    {
        const UILib::CBitmap shown = designer->GetRow(i).preview->GetBitmap();
        const UILib::CBitmap image(expected[i].c_str(), CBlockDesignerWindow::PreviewSize,
                                   CBlockDesignerWindow::PreviewSize);
        ASSERT_TRUE(image.IsValid());
        EXPECT_FALSE(image.IsPlaceholder()) << expected[i];
        EXPECT_TRUE(shown == image) << "row " << i << " should show " << expected[i];
    }
    // A changed type changes its preview.
    designer->GetRow(2).type->SetText("player");
    EXPECT_TRUE(designer->GetRow(2).preview->GetBitmap() ==
                UILib::CBitmap(Block2DImageName("player", true, false, false, false).c_str(), 40, 40));

    designer->SetPosition(20, 10);
    Compose();
    const std::string picture = SavePicture("blockdesigner");
    EXPECT_FALSE(picture.empty());
    // The first preview's middle pixel is the image's.
    const UILib::CBitmap first = designer->GetRow(0).preview->GetBitmap();
    const BaseLib::CPoint at = designer->GetRow(0).preview->GetScreenPosition();
    const BaseLib::CColor imagePixel = first.GetPixels()[20 * 40 + 20];
    ASSERT_EQ(imagePixel.argb >> 24, 255u);
    EXPECT_EQ(Pixel(at.x + 20, at.y + 20), imagePixel);
}

TEST_F(BlockDesignerWindowTest, BrowsingPicksAModelFileForItsRowAndCancellingKeepsTheModel)
{
    WriteFile("models/stone/pillar.x", "xof 0303txt 0032\n");
    WriteFile("models/stone/arch.x", "xof 0303txt 0032\n");
    UILib::CUILibSystem::GetInstance()->GetPathAliases()->RegisterPathAlias("model", PathOf("models"));
    designer->SetDescription(Description("pair", {{"normal", "arch"}, {"normal", "blk_default"}}), 2, "stone");

    for (const bool cancel : {true, false})
    {
        designer->GetRow(1).browse->NotifyClick();
        EXPECT_EQ(designer->GetBrowseRow(), 1);
        auto* picker = dynamic_cast<UILib::CFilePicker*>(Manager()->GetTopModalWindow());
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->GetParent(), Manager()->GetLayerRoot(0));
        ASSERT_EQ(picker->GetFilters().size(), 1u);
        EXPECT_EQ(Text(picker->GetFilters()[0].first), "Model Files");
        EXPECT_EQ(Text(picker->GetFilters()[0].second), "*.x");
        EXPECT_EQ(picker->GetMode(), UILib::CFilePicker::OpenMode);
        EXPECT_EQ(picker->GetPickableKinds(), UILib::CFilePicker::PickFiles);
        const UILib::Handle handle = picker->GetHandle();
        UILib::CFileBrowserList* list = picker->GetBrowserList();
        ASSERT_NE(list, nullptr);
        ASSERT_GE(list->FindItem("pillar.x"), 0);
        list->Select(list->FindItem("pillar.x"));
        if (cancel)
        {
            picker->EndDialog(true);
        }
        else
        {
            picker->Accept();
        }
        Frame();
        EXPECT_EQ(Manager()->Resolve(handle), nullptr) << "the picker is destroyed";
        EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
        EXPECT_EQ(Text(designer->GetRow(1).model->GetText()), cancel ? "blk_default" : "pillar");
        EXPECT_EQ(Text(designer->GetRow(0).model->GetText()), "arch");
    }

    // A designer that goes takes its open picker along.
    designer->GetRow(0).browse->NotifyClick();
    ASSERT_NE(Manager()->GetTopModalWindow(), nullptr);
    const UILib::Handle picker = Manager()->GetTopModalWindow()->GetHandle();
    designer->Delete();
    Frame();
    EXPECT_EQ(Manager()->Resolve(picker), nullptr);
    EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
}

} // namespace
