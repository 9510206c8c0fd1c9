// The application frame's logic and the start-up sequence.
#include "app/frame.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "databases/databases.h"
#include "storage/config.h"
#include "storage/session.h"
#include "storage/settings_table.h"

namespace fs = std::filesystem;

namespace qv {

namespace {

bool isDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A directory the program can enter: it exists and may be searched.
bool canEnter(const std::string& path) {
  return isDirectory(path) && ::access(path.c_str(), X_OK) == 0;
}

std::string trimBoth(std::string_view v) {
  size_t b = v.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = v.find_last_not_of(' ');
  return std::string(v.substr(b, e - b + 1));
}

bool isTaskItem(int id) {
  return id == menu::kDefineBatches || id == menu::kScheduleTasks || id == menu::kShowTaskLog;
}

// Items that stay usable while no database is active.
bool usableWithoutDatabase(int id) {
  return id == menu::kImport || id == menu::kPreferences || id == menu::kExit ||
         (id <= menu::kRebuild && id >= menu::kSearchWizard);
}

// The message items, usable while a message browse is open.
bool messageItem(int id) {
  return id <= menu::kStandardSearch && id >= menu::kThreadTree;
}

// Tools that show no active database while they run.
bool toolHidesDatabase(int id) {
  return id == menu::kImport || id == menu::kMerge || id == menu::kRedirect ||
         id == menu::kRebuild || id == menu::kDefineBatches || id == menu::kScheduleTasks ||
         id == menu::kSearchWizard;
}

bool anyFileByMasks(const std::string& dir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec)) continue;
    std::string name = e.path().filename().string();
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    size_t dot = upper.rfind('.');
    if (dot == std::string::npos) continue;
    std::string ext = upper.substr(dot + 1);
    if (ext == "TPS" || ext == "DAT" || (!ext.empty() && (ext[0] == 'K' || ext[0] == 'I')))
      return true;
  }
  return false;
}

}  // namespace

Frame::Frame(Session& s, EventQueue& events) : s_(s), events_(events) {
  suffix_ = kNoActiveDatabase;
  events_.setHandler(kFrameName, [this](int code, int64_t param) { event(code, param); });
}

Frame::~Frame() {
  events_.removeHandler(kFrameName);
}

void Frame::changed() {
  if (onChanged) onChanged();
}

bool Frame::databaseActive() const {
  return s_.dbId != 0;
}

bool Frame::enabled(int id) const {
  if (const ToolButton* b = findToolButton(id)) {
    if (toolbarOff_) return false;
    if (b->menuId != 0) return enabled(b->menuId);
    return !allOff_ && databaseActive();  // navigation: only where a database can be browsed
  }
  const MenuEntry* e = findMenuEntry(id);
  if (!e) return false;
  if (e->kind == EntryKind::kMenu) return true;
  if (e->kind == EntryKind::kSeparator) return false;
  if (id <= menu::kHelp) return true;  // help stays at hand in every state
  if (allOff_)
    return id == menu::kExit || (taskItemsOn_ && (isTaskItem(id) || id == menu::kTaskManager));
  if (!databaseActive()) return usableWithoutDatabase(id);
  if (messageItem(id)) {
    if (id == menu::kThreadTree && s_.dbType == kDbMail) return false;
    return browseActive_;
  }
  return true;
}

std::string Frame::text(int id) const {
  const PersonTexts& p = personTexts(s_.dbType);
  if (id == menu::kPersons) return p.menu;
  if (id == menu::kPersonBrowse) return p.browseItem;
  if (id == menu::kPersonMerge) return p.mergeItem;
  if (const MenuEntry* e = findMenuEntry(id)) return e->text;
  return {};
}

std::string Frame::statusText(int id) const {
  const PersonTexts& p = personTexts(s_.dbType);
  switch (id) {
    case menu::kPersonBrowse:
      return p.browseStatus;
    case menu::kPersonMerge:
      return p.mergeStatus;
    case -105:
      return p.browseButtonStatus;
    case -106:
      return p.mergeButtonStatus;
    default:
      break;
  }
  if (const ToolButton* b = findToolButton(id)) return b->status;
  if (const MenuEntry* e = findMenuEntry(id)) return e->status;
  return {};
}

std::string Frame::toolTip(int id) const {
  const PersonTexts& p = personTexts(s_.dbType);
  if (id == -105) return p.browseButtonTip;
  if (id == -106) return p.mergeButtonTip;
  if (const ToolButton* b = findToolButton(id)) return b->tooltip;
  return {};
}

void Frame::open(bool firstRun) {
  firstRun_ = firstRun;
  refresh();
}

bool Frame::enterable(const std::string& dirName) const {
  return !dirName.empty() && canEnter(s_.dbTopDir + "/" + dirName);
}

bool Frame::tryActivate(uint32_t id) {
  if (id == 0 || !SelectDatabase(s_, id)) return false;
  if (enterable(s_.dbDirName)) return true;
  ClearCurrentDatabase(s_);
  return false;
}

void Frame::chooseActiveDatabase() {
  if (databaseActive() && !enterable(s_.dbDirName)) ClearCurrentDatabase(s_);
  if (!databaseActive() && !s_.unattended()) {
    SettingValue last;
    Konfig(s_, 3, kSetDefaultDatabase, last);
    if (!tryActivate(static_cast<uint32_t>(last.number))) {
      DatabaseSelection list(s_, 0, kDbNone);
      for (const SelectionRow& row : list.rows(DatabaseSelection::kByDirectory))
        if (tryActivate(row.id)) break;
    }
    if (databaseActive() && static_cast<uint32_t>(last.number) != s_.dbId) {
      SettingValue v{static_cast<int32_t>(s_.dbId), ""};
      Konfig(s_, 2, kSetDefaultDatabase, v);
      Konfig(s_, 4);
    }
  }
  if (databaseActive()) {
    suffix_ = "[" + trimBoth(s_.dbDescription) + "]";
  } else {
    suffix_ = kNoActiveDatabase;
    if (firstRun_) {
      firstRun_ = false;
      events_.post(kFrameName, frame_event::kFirstRun);
    }
  }
}

void Frame::refresh() {
  allOff_ = false;
  taskItemsOn_ = false;
  toolbarOff_ = false;
  chooseActiveDatabase();
  changed();
}

void Frame::command(int id) {
  if (s_.taskMode == 1) return;
  if (!enabled(id)) return;
  Action action;
  int code = 0;
  const MenuEntry* e = findMenuEntry(id);
  if (const ToolButton* b = findToolButton(id)) {
    action = b->action;
    code = b->code;
    if (b->menuId != 0 && action != Action::kPopup) {
      id = b->menuId;
      e = findMenuEntry(id);
    }
  } else if (e) {
    action = e->action;
    code = e->code;
  } else {
    return;
  }
  switch (action) {
    case Action::kTool:
      s_.runtime().setBusy(true);
      events_.post(kFrameName, frame_event::kDeferred, id);
      break;
    case Action::kWindow:
      if (id == menu::kBrowseMessages)
        startWindow(s_.dbType == kDbMail ? "BrowseMail" : "BrowseMsgNmbr", 0);
      else
        startWindow(e->target, e->code);
      break;
    case Action::kBrowse:
      browseCommand(code);
      break;
    case Action::kExit:
      requestExit();
      break;
    case Action::kHelp:
      s_.runtime().showHelp(e->target);
      break;
    case Action::kPrintSetup:
      if (onPrintSetup) onPrintSetup();
      break;
    case Action::kWindowList:
      if (onWindowList) onWindowList();
      break;
    case Action::kPopup: {
      static constexpr int kItems[] = {menu::kTopics, menu::kAttachTopics, menu::kClassifySets};
      int chosen = s_.runtime().popupMenu(kClassifyPopup);
      if (chosen >= 1 && chosen <= 3) command(kItems[chosen - 1]);
      break;
    }
    case Action::kNavigate:
      if (onNavigate) onNavigate(code);
      break;
    case Action::kNone:
      break;
  }
}

void Frame::startWindow(const std::string& name, int code) {
  Runtime& rt = s_.runtime();
  if (rt.windowOpen(name)) {
    events_.post(name, kEventRestore);
    rt.setBusy(false);
    return;
  }
  rt.setBusy(true);
  if (starter_) starter_(name, code);
  rt.setBusy(false);
}

void Frame::browseCommand(int code) {
  const char* name = s_.dbType == kDbMail ? "BrowseMail" : "BrowseMsgNmbr";
  if (s_.runtime().windowOpen(name)) events_.post(name, code);
}

bool Frame::closeConflicting(int id) {
  if (id == menu::kSearchWizard && indexingInProgress) return false;
  std::vector<const char*> groups = {"FindGroup"};
  if (id == menu::kExit) groups.push_back("ImportGroup");
  groups.push_back("NotToolsGroup");
  for (const char* g : groups) {
    std::vector<std::string> open = s_.runtime().windowsInGroup(g);
    if (open.empty()) continue;
    for (const std::string& w : open) events_.post(w, kEventCloseRequest);
    return true;
  }
  return false;
}

void Frame::deferred(int id) {
  if (closeConflicting(id)) {
    events_.post(kFrameName, frame_event::kDeferred, id);
    return;
  }
  if (id == menu::kExit) {
    s_.runtime().setBusy(false);
    if (onCloseDown) onCloseDown();
    return;
  }
  startTool(id);
}

void Frame::startTool(int id) {
  const MenuEntry* e = findMenuEntry(id);
  if (!e) return;
  s_.closeAllFiles();
  allOff_ = true;
  taskItemsOn_ = isTaskItem(id);
  if (toolHidesDatabase(id)) suffix_ = kNoActiveDatabase;
  changed();
  bool started = starter_ && starter_(e->target, e->code);
  s_.runtime().setBusy(false);
  // A tool the program does not have reports nothing back: show the frame as it was.
  if (!started) refresh();
}

bool Frame::requestExit() {
  if (indexingInProgress) {
    s_.runtime().message("You May NOT Exit until Indexing Is Done.|This is to Avoid Corruption.",
                         "Exit Not Allowed", Icon::kExclamation);
    return false;
  }
  events_.post(kFrameName, frame_event::kDeferred, menu::kExit);
  return true;
}

void Frame::removeDatabaseDirectories() {
  for (const std::string& top : {s_.dbTopDir, s_.wordIndexTopDir}) {
    std::string dir = top + "/" + removedDir_;
    if (removedDir_.empty() || !isDirectory(dir) || anyFileByMasks(dir)) continue;
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  removedDir_.clear();
}

void Frame::event(int code, int64_t param) {
  namespace fe = frame_event;
  switch (code) {
    case fe::kDeferred:
      deferred(static_cast<int>(param));
      break;
    case fe::kToolbarOff:
      toolbarOff_ = true;
      changed();
      break;
    case fe::kMenusOn:
      allOff_ = toolbarOff_ = false;
      changed();
      break;
    case fe::kDatabaseChanged:
    case fe::kAdvanceTasks:
      refresh();
      break;
    case fe::kDatabaseReset:
      ClearCurrentDatabase(s_);
      refresh();
      break;
    case fe::kDatabaseRemoved:
      removedDir_ = s_.dbDirName;
      allOff_ = toolbarOff_ = true;
      changed();
      events_.post(kFrameName, fe::kRemoveDirectories);
      break;
    case fe::kRemoveDirectories:
      if (closeConflicting(0)) {
        events_.post(kFrameName, fe::kRemoveDirectories);
        break;
      }
      s_.closeAllFiles();
      removeDatabaseDirectories();
      ClearCurrentDatabase(s_);
      refresh();
      break;
    case fe::kToolFinished:
    case fe::kToolFinished2:
      refresh();
      break;
    case fe::kBrowseActive:
    case fe::kBrowseInactive:
      browseActive_ = code == fe::kBrowseActive;
      changed();
      break;
    case fe::kRunTask:
      startWindow("StartTask", 0);
      break;
    case fe::kImportNow:
      deferred(menu::kImport);
      break;
    case fe::kTaskPurge:
    case fe::kTaskIndex:
    case fe::kTaskCount:
    case fe::kTaskDuplicates: {
      if (param != 0 && !tryActivate(static_cast<uint32_t>(param))) break;
      int id = code == fe::kTaskPurge   ? menu::kPurge
               : code == fe::kTaskIndex ? menu::kAutoIndex
               : code == fe::kTaskCount ? menu::kCount
                                        : menu::kPersonMerge;
      deferred(id);
      break;
    }
    case fe::kBatches:
      startWindow("BrowseBatch", 0);
      break;
    case fe::kTaskEnded: {
      SettingValue v;
      std::string error;
      getSetting(s_, kSetExitAfterTask, v, error);
      if (v.number != 0) {
        requestExit();
      } else {
        ClearCurrentDatabase(s_);
        refresh();
      }
      break;
    }
    case fe::kFirstRun:
      startWindow("StartUpWizard", 0);
      break;
    default:
      break;
  }
}

void Frame::closing(bool maximized, int16_t x, int16_t y, int16_t w, int16_t h) {
  s_.closeAllFiles();
  if (!maximized) {
    WindowPlace place{x, y, w, h};
    WindowPos(s_, 2, 2, place);
  }
  WindowPos(s_, 4);
  WindowPos2(s_, 4);
  ListCol(s_, 4);
}

bool startUp(Session& s, const std::function<std::string(int which)>& pathDialog, bool& firstRun) {
  firstRun = false;
  ClearCurrentDatabase(s);
  std::error_code ec;
  fs::create_directories(s.archiveRoot + "/CFG", ec);
  bool controlExisted = fs::exists(s.archiveRoot + "/CFG/IDX008.TPS", ec);

  if (!AutoPath(s, 1)) return false;
  if (!isDirectory(s.dbTopDir)) {
    s.message("The path to your data files cannot be found!\r\nUpdate file path on next screen\r\n",
              "Path not found!");
    std::string path = pathDialog ? pathDialog(1) : std::string();
    if (path.empty()) return false;
    if (!AutoPath(s, 2, kSetDbTopDir, path) || !AutoPath(s, 4)) return false;
    s.dbTopDir = path;
  }
  s.wordIndexTopDir = s.dbTopDir;
  if (!WSVars(s, 1)) return false;
  if (!isDirectory(s.wordIndexTopDir)) {
    s.message(
        "The path to your word indexing files cannot be found!\r\nUpdate file path on next "
        "screen\r\n",
        "Path not found!");
    std::string path = pathDialog ? pathDialog(2) : std::string();
    if (path.empty()) return false;
    SettingValue v{0, path};
    if (!WSVars(s, 2, kSetWordIndexDir, v) || !WSVars(s, 4)) return false;
    s.wordIndexTopDir = path;
  }

  if (!Konfig(s, 1) || !Konfig(s, 6) || !Konfig(s, 23)) return false;
  SpeedVal(s, 2);
  if (!WindowPos(s, 1) || !WindowPos2(s, 1) || !ListCol(s, 1)) return false;

  SettingValue version;
  Konfig(s, 3, kSetVersion, version);
  if (version.number < 430) {
    if (controlExisted) {
      s.message(
          "This new version needs new default values! All window positions, window sizes and "
          "list box column widths will be reset to default!",
          "Upgrading to version 4.62", Icon::kInformation);
    } else if (version.number == 0) {
      firstRun = true;
    }
    WindowPos(s, 5);
    WindowPos2(s, 5);
    s.config.columns.current = s.config.columns.defaults;
    if (!WindowPos(s, 4) || !WindowPos2(s, 4) || !ListCol(s, 4)) return false;
  }
  SettingValue v{kConfigVersion, ""};
  Konfig(s, 2, kSetVersion, v);
  return Konfig(s, 4);
}

}  // namespace qv
