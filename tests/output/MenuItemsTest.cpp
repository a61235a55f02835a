#include "output/MenuItems.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace q32;

namespace {

bool Accepts(std::span<const ItemParam> list, ItemParam param) {
  return std::find(list.begin(), list.end(), param) != list.end();
}

TEST(MenuItems, FlagsAreSwitchedOffOnlyByZeroOrFalse) {
  EXPECT_TRUE(ItemFlagIsOn("CLOSEPOPUPMENU", ItemParam::ClosePopupMenu));
  EXPECT_TRUE(ItemFlagIsOn("closepopupmenu:1", ItemParam::ClosePopupMenu));
  EXPECT_TRUE(ItemFlagIsOn("CLOSEPOPUPMENUxyz", ItemParam::ClosePopupMenu));
  EXPECT_TRUE(ItemFlagIsOn("FIRSTINGROUP:00", ItemParam::FirstInGroup));
  EXPECT_TRUE(ItemFlagIsOn("PYRESTART:0 ", ItemParam::PyRestart));
  EXPECT_FALSE(ItemFlagIsOn("CLOSEPOPUPMENU:0", ItemParam::ClosePopupMenu));
  EXPECT_FALSE(ItemFlagIsOn("RestorePlcWindow:false", ItemParam::RestorePlcWindow));
  EXPECT_FALSE(ItemFlagIsOn("PYRESTART:FaLsE", ItemParam::PyRestart));
}

TEST(MenuItems, ParametersMatchByCaseInsensitivePrefixWithinTheList) {
  const MenuItemDef* end = FindMenuItemDef(ITEM_END);
  ASSERT_NE(nullptr, end);
  EXPECT_EQ(ItemParam::HelpId, MatchItemParam("helpid:4", end->checkerParams));
  EXPECT_EQ(ItemParam::HelpFile, MatchItemParam("HelpFile:a b.chm", end->checkerParams));
  EXPECT_FALSE(MatchItemParam("HELP:4", end->checkerParams));
  EXPECT_FALSE(MatchItemParam("HIDE:M1", end->checkerParams));
  EXPECT_EQ("M1", ItemParamValue("enable:M1", ItemParam::Enable));
  EXPECT_EQ("", ItemParamValue("PYPATH:", ItemParam::PyPath));
}

TEST(MenuItems, BothWritersShareKindsButKeepTheirOwnLimitsAndLists) {
  const int kinds[] = {ITEM_BLANK, ITEM_NODE, ITEM_BACK, ITEM_END,  ITEM_ACTION,
                       ITEM_PULSE, ITEM_CHECK, ITEM_RADIO, ITEM_GOTO, ITEM_STATE};
  for (int kind : kinds) {
    const MenuItemDef* def = FindMenuItemDef(kind);
    ASSERT_NE(nullptr, def) << kind;
    EXPECT_EQ(kind, def->kind);
    // Item scripts are placed by the checker; the generated project no longer
    // holds PYPATH:, so the tree writer refuses it.
    EXPECT_FALSE(Accepts(def->treeParams, ItemParam::PyPath)) << def->keyword;
  }
  EXPECT_EQ(nullptr, FindMenuItemDef(ITEM_PRAGMA));

  const MenuItemDef* state = FindMenuItemDef(ITEM_STATE);
  EXPECT_TRUE(Accepts(state->checkerParams, ItemParam::FirstInGroup));
  EXPECT_FALSE(Accepts(state->treeParams, ItemParam::FirstInGroup));
  EXPECT_TRUE(Accepts(state->checkerParams, ItemParam::PyPath));
  EXPECT_EQ(12u, state->maxCheckerTokens);
  EXPECT_EQ(13u, state->maxTreeTokens);
  const MenuItemDef* blank = FindMenuItemDef(ITEM_BLANK);
  EXPECT_EQ(3u, blank->maxCheckerTokens);
  EXPECT_EQ(4u, blank->maxTreeTokens);
  EXPECT_TRUE(blank->ignoresOtherParams);
  EXPECT_EQ(3u, FirstParamToken(*FindMenuItemDef(ITEM_GOTO)));
  EXPECT_EQ(2u, FirstParamToken(*FindMenuItemDef(ITEM_ACTION)));
}

}  // namespace
