// The frame's menu bar and toolbar: every item's text, status text and action.
#include "app/frame.h"

namespace qv {

namespace {

using A = Action;
using K = EntryKind;
namespace b = browse_command;

const std::vector<MenuEntry> kMenus = {
    {menu::kFile, K::kMenu, 0, "&File", "", A::kNone, "", 0},
    {menu::kChangeDb, K::kItem, 1, "&Change Active Database", "Change to another database",
     A::kTool, "ChangeForum", 0},
    {menu::kImport, K::kItem, 1, "&Import Wizard", "Import Messages", A::kTool, "ImportMeny", 0},
    {menu::kPreferences, K::kItem, 1, "&Preferences", "User definable settings", A::kTool,
     "UserPanel", 0},
    {menu::kMerge, K::kItem, 1, "Merge &Databases", "Merge two databases", A::kTool, "MergeMeny",
     0},
    {menu::kRedirect, K::kItem, 1, "Import redirection", "Redirect newsgroup message import",
     A::kTool, "RedirectMeny", 0},
    {menu::kRebuild, K::kItem, 1, "&Rebuild Utility",
     "Rebuild the database list and check next ID number", A::kTool, "RebuildMeny", 0},
    {-8, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kMailSetup, K::kItem, 1, "&Mail Database Setup", "Set up a Mail Database", A::kTool,
     "BrowseBox", 0},
    {-10, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kTaskManager, K::kSubmenu, 1, "&Task Manager", "Automating the import process", A::kNone,
     "", 0},
    {menu::kDefineBatches, K::kItem, 2, "Define Import Procedures", "Define import procedures",
     A::kTool, "BrowseBatch", 0},
    {menu::kScheduleTasks, K::kItem, 2, "Schedule Tasks", "Set up scheduled tasks", A::kTool,
     "BrowseTasks", 0},
    {menu::kShowTaskLog, K::kItem, 2, "Show Task Log", "Show task log", A::kWindow, "ShowLog", 0},
    {menu::kSearchWizard, K::kItem, 1, "Word Index &SetUp Wizard",
     "Wizard to set up Word Indexing preferences", A::kTool, "SearchWz", 0},
    {-16, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kPrintSetup, K::kItem, 1, "Print &Setup ...", "Setup printer", A::kPrintSetup, "", 0},
    {-18, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kExit, K::kItem, 1, "E&xit Quorvane", "Exit Quorvane", A::kExit, "", 0},

    // The person menu takes its texts from the active database's type.
    {menu::kPersons, K::kMenu, 0, "Mail &Partners", "", A::kNone, "", 0},
    {menu::kPersonBrowse, K::kItem, 1, "&Browse Mail Partners", "Show mail partners browse list",
     A::kWindow, "BrowsePerson", 0},
    {menu::kPersonMerge, K::kItem, 1, "&Merge Duplicate Mail Partners",
     "Show Merge Duplicate Mail Partners starting window", A::kTool, "Duplicates", 0},
    {-23, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kAddressExport, K::kItem, 1, "&Export Address Book ", "Export Address Book", A::kWindow,
     "AddressExport", 0},

    {menu::kMessages, K::kMenu, 0, "&Messages", "", A::kNone, "", 0},
    {menu::kBrowseMessages, K::kItem, 1, "&Browse Messages", "Show Messages browse list",
     A::kWindow, "", 0},
    {menu::kCount, K::kItem, 1, "&Count Messages", "Show Count Messages starting window", A::kTool,
     "PurgeMess", 2},
    {menu::kPurge, K::kItem, 1, "Purge &Deleted Messages",
     "Show Purge Deleted Messages starting window", A::kTool, "PurgeMess", 1},
    {-34, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kStandardSearch, K::kItem, 1, "&Standard Search", "Standard search", A::kBrowse, "",
     b::kOpenFind},
    {menu::kProSearch, K::kItem, 1, "&Professional Search", "Professional search", A::kBrowse, "",
     b::kOpenSearch},
    {-37, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kClassifyMenu, K::kSubmenu, 1, "Classify &Messages", "Automating the import process",
     A::kNone, "", 0},
    {menu::kTopics, K::kItem, 2, "Topics", "Edit Message Topics list", A::kWindow, "BrowseTopics",
     0},
    {menu::kAttachTopics, K::kItem, 2, "Attach Topics", "Associate messages with Topics",
     A::kBrowse, "", b::kAttachTopics},
    {menu::kClassifySets, K::kItem, 2, "Classify Message Sets", "Classify sets of messages",
     A::kBrowse, "", b::kClassify},
    {-42, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kStatus, K::kItem, 1, "Message Stat&us", "Set message status codes", A::kBrowse, "",
     b::kStatus},
    {menu::kExportMessages, K::kItem, 1, "&Export Messages", "Export messages", A::kBrowse, "",
     b::kExport},
    {menu::kPrint, K::kItem, 1, "P&rint Messages", "Print messages", A::kBrowse, "", b::kPrint},
    {menu::kCopy, K::kItem, 1, "C&opy to Clip-board", "Copy to clip-board", A::kBrowse, "",
     b::kCopy},
    {-47, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kThreadTree, K::kItem, 1, "Show T&hread Tree", "Show thread tree", A::kBrowse, "",
     b::kThreadTree},

    {menu::kIndexing, K::kMenu, 0, "&Indexing", "", A::kNone, "", 0},
    {menu::kWordList, K::kItem, 1, "&Indexed Words", "List of indexed Words", A::kWindow,
     "WordList", 0},
    {menu::kStopList, K::kItem, 1, "&Non Indexed Words", "List of non indexed Words", A::kWindow,
     "StopList", 0},
    {menu::kAutoIndex, K::kItem, 1, "&Build Word Index", "Show Build Word Index starting window",
     A::kTool, "AutoIndex", 1},
    {menu::kSetIndex, K::kItem, 1, "&Word Index Status", "Toggle Auto Indexing", A::kWindow,
     "SetIndex", 0},

    {menu::kWindow, K::kMenu, 0, "&Window", "Create and Arrange Windows", A::kWindowList, "", 0},

    {menu::kHelp, K::kMenu, 0, "&Help", "", A::kNone, "", 0},
    {-71, K::kItem, 1, "&Contents", "View the Contents of the Help File", A::kHelp, "", 0},
    {-72, K::kItem, 1, "&Search for Help On...", "Search for Help on a Subject", A::kHelp,
     "~Search", 0},
    {-73, K::kItem, 1, "How to &Use Help", "How to Use Windows Help", A::kHelp, "~How_to_use_help",
     0},
    {-74, K::kItem, 1, "What is new?", "What is new in version 4.6?", A::kHelp,
     "~What_s_new_in_Quorvane_4.6_", 0},
    {-75, K::kItem, 1, "Su&pport", "Where to find support on Quorvane", A::kHelp,
     "~Support_and_future_updates", 0},
    {-76, K::kSeparator, 1, "-", "", A::kNone, "", 0},
    {menu::kAbout, K::kItem, 1, "&About..", "About this program", A::kWindow, "About", 0},
};

namespace n = navigation;

const std::vector<ToolButton> kToolbar = {
    {-101, "Import messages", "Import messages", menu::kImport, A::kTool, 0},
    {-102, "Change active database", "Change active database", menu::kChangeDb, A::kTool, 0},
    {-103, "User definable settings", "User defineable settings", menu::kPreferences, A::kTool, 0},
    {-104, "Schedule Tasks", "Schedule tasks", menu::kScheduleTasks, A::kTool, 0},
    {-105, "Show mail partners browse list", "Browse mail partners", menu::kPersonBrowse,
     A::kWindow, 0},
    {-106, "Merge duplicate mail partners", "Merge duplicate mail partners", menu::kPersonMerge,
     A::kTool, 0},
    {-107, "Export address book", "Export Address Book", menu::kAddressExport, A::kWindow, 0},
    {-108, "Count messages", "Count messages", menu::kCount, A::kTool, 0},
    {-109, "Show Purge Deleted Messages starting window", "Purge Deleted Messages", menu::kPurge,
     A::kTool, 0},
    {-110, "Classify Messages", "Classify messages", menu::kClassifyMenu, A::kPopup, 0},
    {-111, "Export Messages", "Export messages", menu::kExportMessages, A::kBrowse, 0},
    {-112, "Print messages", "Print messages", menu::kPrint, A::kBrowse, 0},
    {-113, "Copy to clip-board", "Copy to clip-board", menu::kCopy, A::kBrowse, 0},
    {-114, "Indexed words", "Indexed Words", menu::kWordList, A::kWindow, 0},
    {-115, "Show Build Word Index starting window", "Build Word Index", menu::kAutoIndex, A::kTool,
     0},
    {-116, "Standard search", "Standard search", menu::kStandardSearch, A::kBrowse, 0},
    {-117, "Professional search", "Pro search", menu::kProSearch, A::kBrowse, 0},
    {-118, "Exit Quorvane", "Exit Quorvane", menu::kExit, A::kExit, 0},
    {-121, "First Page", "First Page", 0, A::kNavigate, n::kFirstPage},
    {-122, "Prior Page", "Prior Page", 0, A::kNavigate, n::kPriorPage},
    {-123, "Prior Record", "Prior Record", 0, A::kNavigate, n::kPriorRecord},
    {-124, "Next Record", "Next Record", 0, A::kNavigate, n::kNextRecord},
    {-125, "Next Page", "Next Page", 0, A::kNavigate, n::kNextPage},
    {-126, "Last Page", "Last Page", 0, A::kNavigate, n::kLastPage},
    {-127, "", "", 0, A::kNavigate, n::kPriorFilter},
    {-128, "", "", 0, A::kNavigate, n::kFilter},
    {-129, "", "", 0, A::kNavigate, n::kNextFilter},
};

const PersonTexts kPersonTexts[3] = {
    {"Mail &Partners", "&Browse Mail Partners", "Show mail partners browse list",
     "&Merge Duplicate Mail Partners", "Show Merge Duplicate Mail Partners starting window",
     "Show mail partners browse list", "Browse mail partners", "Merge duplicate mail partners",
     "Merge duplicate mail partners"},
    {"Forum Mem&bers", "&Browse Forum Members", "Show Forum Members browse list",
     "&Merge Duplicate Forum Members", "Show Merge Duplicate Forum Members starting window",
     "Show Forum members browse list", "Browse Forum members", "Merge duplicate Forum members",
     "Merge duplicate Forum members"},
    {"Newsgroup &Participants", "&Browse Newsgroup Participants",
     "Show Newsgroup Participants browse list", "&Merge Duplicate Newsgroup Participants",
     "Show Merge Duplicate Newsgroup Participants starting window",
     "Show Newsgroup participants browse list", "Browse Newsgroup participants",
     "Merge duplicate Newsgroup participants", "Merge duplicate Newsgroup participants"},
};

}  // namespace

const std::vector<MenuEntry>& frameMenus() {
  return kMenus;
}
const std::vector<ToolButton>& frameToolbar() {
  return kToolbar;
}

const MenuEntry* findMenuEntry(int id) {
  for (const MenuEntry& e : kMenus)
    if (e.id == id) return &e;
  return nullptr;
}

const ToolButton* findToolButton(int id) {
  for (const ToolButton& b : kToolbar)
    if (b.id == id) return &b;
  return nullptr;
}

const PersonTexts& personTexts(uint8_t dbType) {
  // Mail is the texts the menu starts with, and what a frame without a database shows.
  switch (dbType) {
    case 1:
      return kPersonTexts[1];
    case 3:
      return kPersonTexts[2];
    default:
      return kPersonTexts[0];
  }
}

}  // namespace qv
