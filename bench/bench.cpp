// Benchmark of the installer's list filling and start-up, run under Wine by scripts/bench.sh.
//
// It creates the real, visible installer dialog in this process (as install.exe does) and
// times, with QueryPerformanceCounter, each operation against peers measured in the same run:
//
//   1. FillFileBox on a folder of 10,000 files, against DlgDirListA filling the same list box
//      (DDL_ARCHIVE | DDL_READONLY, list box untouched) and against a floor: the same
//      enumeration adding the same names with redraw off and storage reserved, nothing else.
//   2. FillDirectoryBox on a drive root of 198 folders, and PartialFillDirBox opening a folder
//      of 188 subfolders at depth 10, against DlgDirListA (DDL_DIRECTORY | DDL_EXCLUSIVE) and
//      the same kind of floor; then the same two on 5,000 folders: a drive root (R: of the
//      bench's rig by default) and a folder at depth 1 there.
//   3. Start-up: InitMainDlg (the dialog with its three browsers filled, on C:\) against
//      creating a dialog from the same template with an empty dialog procedure. Printed
//      beside it, not a peer: the empty procedure plus the shell's placement of the main
//      window beneath the dialog, the part of the start-up that is not the browsers.
//
// Every measured interval starts from the same list box content (emptied, painted) and ends
// with UpdateWindow, so that the paints that an operation causes are counted for all alike.
// Each figure is printed as median [min..max] of the repetitions; a ratio is taken per
// repetition (operation / its peer of the same repetition).
//
// The data lives on two drives (T: and R: of the bench's rig by default), made on the first run:
//   T:\files                     10,000 empty files
//   T:\deep\level02\..\level10   a chain of 10 folders; level10 holds 188 subfolders
//   T:\ and 196 more folders     198 folders in the root in all
//   R:\                          5,000 folders; the first of them holds 5,000 subfolders
//
// Usage: bench.exe [--drive T:] [--big-drive R:] [--reps N] [--slow-reps N] [--only files,trees,startup]
//   --reps       repetitions of the list figures (default 9); the start-up, a tenth of a
//                second a round, takes three times as many
//   --slow-reps  repetitions of DlgDirListA on the 10,000 files and the 5,000 folders, which
//                take about a minute and ten seconds each under Wine (default 3; the ratios
//                of those figures pair the first ones)
//   --only       the figures to run (default all)
#include "vendrel.h"
#include "../tests/support/progstate.h"

#include <algorithm>
#include <functional>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 10000;
constexpr int kRootFolders = 198;
constexpr int kDeepLevel = 10;
constexpr int kDeepSubfolders = 188;
constexpr int kBigFolders = 5000;
constexpr const char *kDataMark = "bench-data-v1.ok";
constexpr const char *kBigDataMark = "bench-big-data-v1.ok";

std::string gDrive = "T:";     // the data drive, as the drive combo box shows it
std::string gBigDrive = "R:";  // the drive of the 5,000 folders
int gReps = 9;
int gSlowReps = 3;
std::string gOnly = "files,trees,startup";

bool Wanted(const char *figure) { return ("," + gOnly + ",").find(std::string(",") + figure + ",") != std::string::npos; }

// ---------------------------------------------------------------- timing

double gTicksPerMs;

double NowMs()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / gTicksPerMs;
}

struct Stats {
    double median, min, max;
};

Stats Summary(std::vector<double> v)
{
    Stats s = {0, 0, 0};
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.min = v.front();
    s.max = v.back();
    return s;
}

// ---------------------------------------------------------------- the data

std::string Root() { return gDrive + "\\"; }
std::string FilesDir() { return Root() + "files"; }

std::string DeepDir(int level)   // level 1 is T:\deep, level n one folder deeper
{
    std::string p = Root() + "deep";
    for (int i = 2; i <= level; i++) {
        char name[16];
        snprintf(name, sizeof name, "\\level%02d", i);
        p += name;
    }
    return p;
}

bool IsDir(const std::string &p)
{
    DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDir(const std::string &p)
{
    if (!CreateDirectoryA(p.c_str(), NULL) && !IsDir(p)) {
        fprintf(stderr, "bench: cannot create folder %s (error %lu)\n", p.c_str(), GetLastError());
        exit(2);
    }
}

// Names of mixed case and length, all distinct, none starting with a dot (Wine hides those).
const char *const kWords[] = {"report", "Budget", "notes", "ARCHIVE", "letter", "Invoice",
                              "draft", "Summary", "data", "README", "photo", "config",
                              "backup", "Minutes", "plan", "Quote", "list", "Index"};
const char *const kExts[] = {"txt", "DOC", "dat", "ini", "LOG", "csv", "bak", "hlp"};

std::string FileName(int i)
{
    // The hashed part varies the look and the order; the counter keeps the names distinct.
    unsigned h = (unsigned)i * 2654435761u;
    char buf[64];
    snprintf(buf, sizeof buf, "%s%c%05u~%04d.%s", kWords[h % 18], (h >> 8) % 3 ? '_' : ' ',
             (h >> 12) % 100000, i, kExts[(h >> 20) % 8]);
    return buf;
}

std::string FolderName(int i)
{
    char buf[64];
    unsigned h = (unsigned)i * 2246822519u;
    snprintf(buf, sizeof buf, "%s %03d", kWords[h % 18], i);
    return buf;
}

int CountEntries(const std::string &dir, bool dirs)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int n = 0;
    do {
        bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDir == dirs && strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, ".."))
            n++;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

void MakeData()
{
    std::string mark = Root() + kDataMark;
    if (GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES &&
        CountEntries(gDrive, true) == kRootFolders && CountEntries(FilesDir(), false) == kFiles &&
        CountEntries(DeepDir(kDeepLevel), true) == kDeepSubfolders)
        return;

    printf("bench: creating the data on %s (once)\n", gDrive.c_str());
    fflush(stdout);
    double t0 = NowMs();
    MakeDir(FilesDir());
    for (int i = 0; i < kFiles; i++) {
        std::string p = FilesDir() + "\\" + FileName(i);
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (h == INVALID_HANDLE_VALUE) {
            fprintf(stderr, "bench: cannot create %s (error %lu)\n", p.c_str(), GetLastError());
            exit(2);
        }
        CloseHandle(h);
    }
    for (int level = 1; level <= kDeepLevel; level++)
        MakeDir(DeepDir(level));
    for (int i = 0; i < kDeepSubfolders; i++)
        MakeDir(DeepDir(kDeepLevel) + "\\" + FolderName(i));
    // "deep" and "files", and the rest of the root's folders.
    for (int i = 0; i < kRootFolders - 2; i++)
        MakeDir(Root() + FolderName(1000 + i));

    int files = CountEntries(FilesDir(), false);
    int root = CountEntries(gDrive, true);
    int deep = CountEntries(DeepDir(kDeepLevel), true);
    if (files != kFiles || root != kRootFolders || deep != kDeepSubfolders) {
        fprintf(stderr, "bench: %s holds unexpected entries (%d files, %d root folders, %d subfolders)"
                        "; empty the drive and run again\n", gDrive.c_str(), files, root, deep);
        exit(2);
    }
    HANDLE h = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    CloseHandle(h);
    printf("bench: data ready in %.1f s\n", (NowMs() - t0) / 1000);
}

std::string BigRoot() { return gBigDrive + "\\"; }
std::string BigDir() { return BigRoot() + FolderName(2000); }   // the first of the root's folders

// 5,000 folders in the big drive's root, and 5,000 in the first of them.
void MakeBigData()
{
    std::string mark = BigRoot() + kBigDataMark;
    if (GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES && CountEntries(gBigDrive, true) == kBigFolders &&
        CountEntries(BigDir(), true) == kBigFolders)
        return;
    printf("bench: creating the 5,000 folders on %s (once)\n", gBigDrive.c_str());
    double t0 = NowMs();
    for (int i = 0; i < kBigFolders; i++)
        MakeDir(BigRoot() + FolderName(2000 + i));
    for (int i = 0; i < kBigFolders; i++)
        MakeDir(BigDir() + "\\" + FolderName(10000 + i));
    if (CountEntries(gBigDrive, true) != kBigFolders || CountEntries(BigDir(), true) != kBigFolders) {
        fprintf(stderr, "bench: %s holds unexpected entries; empty the drive and run again\n", gBigDrive.c_str());
        exit(2);
    }
    HANDLE h = CreateFileA(mark.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    CloseHandle(h);
    printf("bench: big data ready in %.1f s\n", (NowMs() - t0) / 1000);
}

// ---------------------------------------------------------------- the dialog

void Pump() { PumpInstaller(); }


// A message box would stop the run: fail at once instead, saying which.
HHOOK gHook;

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND w = (HWND)wParam;
        char cls[32] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0 && GetDlgItem(w, IDC_PROG_DRIVE) == NULL) {
            char text[256] = "";
            for (HWND c = GetWindow(w, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT)) {
                char t[256] = "";
                GetWindowTextA(c, t, sizeof t);
                if (t[0] && strcmp(t, "OK") != 0)
                    snprintf(text, sizeof text, "%s", t);
            }
            fprintf(stderr, "bench: the program showed a message box: %s\n", text);
            ExitProcess(3);
        }
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

std::vector<std::string> Lines(HWND list)
{
    std::vector<std::string> out;
    LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    char buf[1024];
    for (LRESULT i = 0; i < n; i++) {
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) >= (LRESULT)sizeof buf)
            buf[0] = 0;
        else
            SendMessageA(list, LB_GETTEXT, i, (LPARAM)buf);
        out.emplace_back(buf);
    }
    return out;
}

int Count(HWND list) { return (int)SendMessageA(list, LB_GETCOUNT, 0, 0); }

// Every interval starts from an empty, painted list box and a drained queue.
void EmptyList(HWND list)
{
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    UpdateWindow(GetParent(list));
    Pump();
}

// Selects drive in the group's drive combo box.
void SelectDrive(HWND dlg, int driveBox, const std::string &drive)
{
    LRESULT i = SendDlgItemMessageA(dlg, driveBox, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)drive.c_str());
    if (i == CB_ERR) {
        fprintf(stderr, "bench: drive %s is not in the drive list\n", drive.c_str());
        exit(2);
    }
    SendDlgItemMessageA(dlg, driveBox, CB_SETCURSEL, i, 0);
}

// Picks the data drive (or another) in the group's drive combo box and fills its tree from the root.
void TreeAtDataRoot(HWND dlg, int driveBox, const std::string &drive = gDrive)
{
    SelectDrive(dlg, driveBox, drive);
    FillDirectoryBox(dlg, driveBox, driveBox + 1);
    Pump();
}

void SelectLine(HWND dlg, int dirBox, const std::string &text)
{
    LRESULT i = SendDlgItemMessageA(dlg, dirBox, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text.c_str());
    if (i == LB_ERR) {
        fprintf(stderr, "bench: the tree has no line \"%s\"\n", text.c_str());
        exit(2);
    }
    SendDlgItemMessageA(dlg, dirBox, LB_SETCURSEL, i, 0);
}

// The tree opened down to level 9, with level10 (line 10) selected: what a user sees just
// before double-clicking level10.
void TreeBeforeDeepOpen(HWND dlg, int driveBox)
{
    int dirBox = driveBox + 1;
    TreeAtDataRoot(dlg, driveBox);
    SelectLine(dlg, dirBox, " deep");
    for (int level = 1; level < kDeepLevel; level++) {
        PartialFillDirBox(dlg, dirBox);            // opens line `level`
        SendDlgItemMessageA(dlg, dirBox, LB_SETCURSEL, level + 1, 0);   // its only subfolder
    }
    Pump();
    UpdateWindow(dlg);
}

// The floor: the same enumeration, the same names into the same list box, with redraw off
// and storage reserved, doing nothing else.
void FloorFill(HWND list, const std::string &dir, bool dirs, int expect)
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_INITSTORAGE, (WPARAM)expect, (LPARAM)expect * 32);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (dirs ? isDir && strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, "..")
                     : !isDir && (fd.dwFileAttributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY)))
                SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
}

// DlgDirListA makes the listed folder the current directory, and Wine resolves a drive root
// pattern (T:\*.*) through the drive's current directory: every peer call therefore starts with
// the data root current (set outside the timed interval, as the program's C:\ is restored
// after it).
void BeforePeer() { SetCurrentDirectoryA(Root().c_str()); }
void AfterPeer() { SetCurrentDirectoryA("C:\\"); }

void PeerFill(HWND dlg, int listId, const std::string &dir, UINT type)
{
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s\\*.*", dir.c_str());
    DlgDirListA(dlg, pattern, listId, 0, type);
}

// ---------------------------------------------------------------- reporting

int gMissed;

void PrintTime(const char *what, const std::vector<double> &v)
{
    Stats s = Summary(v);
    printf("     %-34s %10.1f ms  [%.1f .. %.1f]  (%zu runs)\n", what, s.median, s.min, s.max, v.size());
}

void PrintRatio(const char *what, const std::vector<double> &num, const std::vector<double> &den, double goal)
{
    std::vector<double> r;
    for (size_t i = 0; i < num.size() && i < den.size(); i++)
        r.push_back(den[i] > 0 ? num[i] / den[i] : 0);
    Stats s = Summary(r);
    bool met = s.median <= goal;
    if (!met)
        gMissed++;
    printf("     %-34s %10.4f     [%.4f .. %.4f]  goal <= %g: %s\n", what, s.median, s.min, s.max, goal,
           met ? (s.max <= goal ? "met" : "met (median; not every run)") : "NOT MET");
}

void Check(bool ok, const char *what)
{
    printf("     check: %-60s %s\n", what, ok ? "ok" : "FAILED");
    if (!ok)
        gMissed++;
}

// ---------------------------------------------------------------- the figures

// One timed operation: prepare (not timed), then the operation and the paints it left,
// flushed by UpdateWindow on the list box, within the interval.
double Timed(HWND list, const std::function<void()> &prepare, const std::function<void()> &op)
{
    prepare();
    double t0 = NowMs();
    op();
    UpdateWindow(list);
    return NowMs() - t0;
}

// The paints of a list box during one operation (prepared, run and flushed as Timed does),
// counted by subclassing the list box and the dialog for that one untimed run.
struct Paints {
    int paint = 0;      // WM_PAINT to the list box
    int ncpaint = 0;    // WM_NCPAINT to the list box (its frame and scroll bar)
    int ctlcolor = 0;   // WM_CTLCOLORLISTBOX to the dialog: the list box drawing, by whatever way
};
Paints gPaints;
HWND gCountedList;
WNDPROC gListProc, gDlgProc;

LRESULT CALLBACK CountingListProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_PAINT)
        gPaints.paint++;
    else if (m == WM_NCPAINT)
        gPaints.ncpaint++;
    return CallWindowProcA(gListProc, w, m, wp, lp);
}

LRESULT CALLBACK CountingDlgProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_CTLCOLORLISTBOX && (HWND)lp == gCountedList)
        gPaints.ctlcolor++;
    return CallWindowProcA(gDlgProc, w, m, wp, lp);
}

Paints PaintsDuring(HWND list, const std::function<void()> &prepare, const std::function<void()> &op)
{
    HWND dlg = GetParent(list);
    prepare();
    gPaints = Paints();
    gCountedList = list;
    gListProc = (WNDPROC)SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)CountingListProc);
    gDlgProc = (WNDPROC)SetWindowLongPtrA(dlg, GWLP_WNDPROC, (LONG_PTR)CountingDlgProc);
    op();
    UpdateWindow(list);
    SetWindowLongPtrA(dlg, GWLP_WNDPROC, (LONG_PTR)gDlgProc);
    SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)gListProc);
    return gPaints;
}

void CheckPaintedOnce(const char *who, const Paints &p)
{
    char what[160];
    snprintf(what, sizeof what, "%s painted its list once (WM_PAINT %d, WM_NCPAINT %d, "
             "WM_CTLCOLORLISTBOX %d)", who, p.paint, p.ncpaint, p.ctlcolor);
    Check(p.paint == 1 && p.ctlcolor <= 1, what);
}

void ShowPeerPaints(const Paints &p)
{
    printf("     peer, for comparison: WM_PAINT %d, WM_NCPAINT %d, WM_CTLCOLORLISTBOX %d (its time goes into\n"
           "     adding each line to a visible list box with redraw on, not into paint messages)\n",
           p.paint, p.ncpaint, p.ctlcolor);
}

void FileListFigure(HWND dlg)
{
    const int driveBox = IDC_PROG_DRIVE, dirBox = IDC_PROG_DIR, fileBox = IDC_PROG_FILE;
    HWND list = GetDlgItem(dlg, fileBox);
    printf("\n1. File list: %s, %d files, file list %d of the visible dialog\n", FilesDir().c_str(), kFiles, fileBox);
    TreeAtDataRoot(dlg, driveBox);
    SelectLine(dlg, dirBox, " files");

    auto empty = [&] { EmptyList(list); };
    auto fillOp = [&] { FillFileBox(dlg, dirBox, fileBox); };
    auto floorOp = [&] { FloorFill(list, FilesDir(), false, kFiles); };
    auto peerPrep = [&] { EmptyList(list); BeforePeer(); };
    auto peerOp = [&] { PeerFill(dlg, fileBox, FilesDir(), DDL_ARCHIVE | DDL_READONLY); };

    // One round of each fast operation first, not counted: caches and heaps warm for all.
    Timed(list, empty, floorOp);
    Timed(list, empty, fillOp);

    std::vector<double> fill, peer, floor;
    std::vector<std::string> fillLines, floorLines;
    int peerCount = -1, fillSel = 0;
    int reps = std::max(gReps, gSlowReps);
    for (int r = 0; r < reps; r++) {
        if (r < gReps) {
            floor.push_back(Timed(list, empty, floorOp));
            if (r == 0)
                floorLines = Lines(list);
            fill.push_back(Timed(list, empty, fillOp));
            if (r == 0) {
                fillLines = Lines(list);
                fillSel = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
            }
        }
        if (r < gSlowReps) {
            peer.push_back(Timed(list, peerPrep, peerOp));
            AfterPeer();
            peerCount = Count(list);
        }
        printf("   run %d:", r + 1);
        if (r < gReps)
            printf(" FillFileBox %.1f ms, floor %.1f ms", fill[r], floor[r]);
        if (r < gSlowReps)
            printf(" DlgDirListA %.1f ms", peer[r]);
        printf("\n");
    }

    PrintTime("FillFileBox", fill);
    PrintTime("peer DlgDirListA (ARCHIVE|READONLY)", peer);
    PrintTime("floor (redraw off, storage)", floor);
    PrintRatio("FillFileBox / DlgDirListA", fill, peer, 0.02);
    PrintRatio("FillFileBox / floor", fill, floor, 1.2);
    Check((int)fillLines.size() == kFiles && peerCount == kFiles, "FillFileBox and DlgDirListA list every file");
    Check(fillLines == floorLines, "FillFileBox: the floor's lines, in the list box's order");
    Check(fillSel == LB_ERR, "FillFileBox: no line selected");
    CheckPaintedOnce("FillFileBox", PaintsDuring(list, empty, fillOp));
    Pump();   // the dialog left as the program fills it
}

// The three timings of one tree figure, in rounds of floor, operation, peer.
struct TreeRun {
    std::vector<double> fill, peer, floor;
    int fillCount = 0, fillSel = 0, peerCount = 0, floorCount = 0;
    Paints fillPaints, peerPaints;
};

// A tree figure: the three times, and the ratios against the goals that both trees share.
void PrintTreeFigures(const char *name, const TreeRun &t)
{
    std::string n = name;
    PrintTime(name, t.fill);
    PrintTime("peer DlgDirListA (DIRECTORY|EXCL.)", t.peer);
    PrintTime("floor (redraw off, storage)", t.floor);
    PrintRatio((n + " / DlgDirListA").c_str(), t.fill, t.peer, 0.05);
    PrintRatio((n + " / floor").c_str(), t.fill, t.floor, 1.5);
}

void CheckTreePaints(const char *name, const TreeRun &t)
{
    CheckPaintedOnce(name, t.fillPaints);
    ShowPeerPaints(t.peerPaints);
}

// peerReps: the rounds that time the peer too (all of them unless told); the others time the
// operation and its floor alone.
TreeRun RunTree(HWND dlg, HWND list, const std::function<void()> &prepare, const std::function<void()> &fillOp,
                const std::function<void()> &floorOp, const std::function<void()> &peerOp, int peerReps = -1)
{
    TreeRun t;
    auto peerPrep = [&] { prepare(); BeforePeer(); };
    if (peerReps < 0)
        peerReps = gReps;
    for (int r = -1; r < gReps; r++) {   // round -1 warms up and is not counted
        double fl = Timed(list, prepare, floorOp);
        t.floorCount = Count(list);
        double f = Timed(list, prepare, fillOp);
        t.fillCount = Count(list);
        t.fillSel = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (r >= 0) {
            t.floor.push_back(fl);
            t.fill.push_back(f);
        }
        if (r >= 0 && r >= peerReps)
            continue;
        double p = Timed(list, peerPrep, peerOp);
        AfterPeer();
        t.peerCount = Count(list);
        if (r >= 0)
            t.peer.push_back(p);
    }
    (void)dlg;
    t.fillPaints = PaintsDuring(list, prepare, fillOp);
    t.peerPaints = PaintsDuring(list, peerPrep, peerOp);
    AfterPeer();
    return t;
}

// FillDirectoryBox on the root of drive, which holds `folders` folders: its times against the
// peer and the floor, its lines and its paints. The peer runs in peerReps rounds.
void RootFigure(HWND dlg, const std::string &drive, int folders, int peerReps)
{
    const int driveBox = IDC_CRIT_DRIVE, dirBox = IDC_CRIT_DIR;
    HWND list = GetDlgItem(dlg, dirBox);
    SelectDrive(dlg, driveBox, drive);
    TreeRun t = RunTree(
        dlg, list, [&] { EmptyList(list); }, [&] { FillDirectoryBox(dlg, driveBox, dirBox); },
        [&] { FloorFill(list, drive, true, folders); },
        [&] { PeerFill(dlg, dirBox, drive, DDL_DIRECTORY | DDL_EXCLUSIVE); }, peerReps);
    TreeAtDataRoot(dlg, driveBox);
    PrintTreeFigures("FillDirectoryBox", t);
    char what[128];
    snprintf(what, sizeof what, "lines: tree %d (root + %d), floor %d, DlgDirListA %d (%d)", t.fillCount, folders,
             t.floorCount, t.peerCount, folders);
    Check(t.fillCount == folders + 1 && t.fillSel == 0 && t.floorCount == folders && t.peerCount == folders, what);
    CheckTreePaints("FillDirectoryBox", t);
}

// PartialFillDirBox opening dir, which holds `folders` subfolders at depth `depth`, from the
// tree that `prepare` shows with dir's line selected: the same figures.
void OpenFigure(HWND dlg, const std::function<void()> &prepare, const std::string &dir, int depth, int folders,
                int peerReps)
{
    const int driveBox = IDC_CRIT_DRIVE, dirBox = IDC_CRIT_DIR;
    HWND list = GetDlgItem(dlg, dirBox);
    TreeRun t = RunTree(
        dlg, list, prepare, [&] { PartialFillDirBox(dlg, dirBox); }, [&] { FloorFill(list, dir, true, folders); },
        [&] { PeerFill(dlg, dirBox, dir, DDL_DIRECTORY | DDL_EXCLUSIVE); }, peerReps);
    TreeAtDataRoot(dlg, driveBox);
    PrintTreeFigures("PartialFillDirBox", t);
    char what[160];
    snprintf(what, sizeof what, "lines: tree %d (%d + %d), line %d selected, floor %d, DlgDirListA %d (%d)",
             t.fillCount, depth + 1, folders, t.fillSel, t.floorCount, t.peerCount, folders + 1);
    Check(t.fillCount == depth + 1 + folders && t.fillSel == depth && t.floorCount == folders &&
              t.peerCount == folders + 1, what);
    CheckTreePaints("PartialFillDirBox", t);
}

void TreeFigures(HWND dlg)
{
    const int driveBox = IDC_CRIT_DRIVE, dirBox = IDC_CRIT_DIR;
    int slow = std::min(gSlowReps, gReps);

    printf("\n2a. Directory tree: FillDirectoryBox on %s, %d folders, tree %d of the visible dialog\n",
           Root().c_str(), kRootFolders, dirBox);
    RootFigure(dlg, gDrive, kRootFolders, gReps);

    printf("\n2b. Directory tree: PartialFillDirBox opening %s,\n"
           "    %d subfolders at depth %d (from the tree opened down to level09, level10 selected)\n",
           DeepDir(kDeepLevel).c_str(), kDeepSubfolders, kDeepLevel);
    OpenFigure(dlg, [&] { TreeBeforeDeepOpen(dlg, driveBox); }, DeepDir(kDeepLevel), kDeepLevel, kDeepSubfolders, gReps);

    printf("\n2c. Directory tree: FillDirectoryBox on %s, %d folders (DlgDirListA %d runs)\n", BigRoot().c_str(),
           kBigFolders, slow);
    RootFigure(dlg, gBigDrive, kBigFolders, gSlowReps);

    printf("\n2d. Directory tree: PartialFillDirBox opening %s, %d subfolders at depth 1\n"
           "    (from the tree of %s, that folder selected; DlgDirListA %d runs)\n",
           BigDir().c_str(), kBigFolders, BigRoot().c_str(), slow);
    OpenFigure(
        dlg,
        [&] {
            TreeAtDataRoot(dlg, driveBox, gBigDrive);
            SelectLine(dlg, dirBox, " " + FolderName(2000));
            UpdateWindow(dlg);
        },
        BigDir(), 1, kBigFolders, gSlowReps);
}

INT_PTR CALLBACK EmptyDlgProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

// Not a peer: the empty procedure plus the one thing the shell does to its main window at
// WM_INITDIALOG (the main window takes the dialog's rectangle, just beneath it). Printed to
// show how much of the start-up is that window move rather than the browsers.
INT_PTR CALLBACK LayMainDlgProc(HWND hDlg, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        RECT r;
        GetWindowRect(hDlg, &r);
        SetWindowPos(GetWindow(hDlg, GW_OWNER), hDlg, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    }
    return 0;
}

// A main window as the shell makes it, of the class that the shell registered at the start
// of the run (its name kept here: the program's own globals are reset between rounds).
char gMainClass[kAppNameSize];

HWND MainWindowLikeTheShell()
{
    HWND w = CreateWindowExA(0, gMainClass, gMainClass, WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             1, 1, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, GetModuleHandleA(NULL), NULL);
    if (w == NULL) {
        fprintf(stderr, "bench: cannot create a main window (error %lu)\n", GetLastError());
        exit(2);
    }
    return w;
}

// The installer's dialog as the shell makes it: a fresh main window (not timed), then
// InitMainDlg until it returns and the dialog has painted.
double TimeInstallerStart(int &filled)
{
    ResetProgramState();
    hInst = GetModuleHandleA(NULL);
    LoadStringA(hInst, IDS_APPNAME, SetUpData.szAppName, sizeof SetUpData.szAppName);
    hWndMain = MainWindowLikeTheShell();
    lpModelessProc = MainDlgBoxProc;
    UpdateWindow(hWndMain);
    Pump();
    double t0 = NowMs();
    InitMainDlg(hWndMain);
    UpdateWindow(hQryDlgBox);
    double t = NowMs() - t0;
    filled = hQryDlgBox != NULL && Count(GetDlgItem(hQryDlgBox, IDC_PROG_DIR)) > 0 &&
             Count(GetDlgItem(hQryDlgBox, IDC_CRIT_DIR)) > 0 && Count(GetDlgItem(hQryDlgBox, IDC_EDITOR_DIR)) > 0;
    DestroyWindow(hWndMain);
    Pump();
    ResetProgramState();
    return t;
}

// A dialog from the same template with procedure `proc`, owned by the same kind of main window.
double TimeTemplateDialog(DLGPROC proc)
{
    HWND owner = MainWindowLikeTheShell();
    UpdateWindow(owner);
    Pump();
    double t0 = NowMs();
    HWND dlg = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_INSTALL), owner, proc, 0);
    UpdateWindow(dlg);
    double t = NowMs() - t0;
    DestroyWindow(owner);
    Pump();
    return t;
}

void StartupFigure()
{
    printf("\n3. Start-up on C:\\: InitMainDlg (the dialog and its three browsers filled) against a dialog\n"
           "   from the same template with an empty procedure; each with a fresh main window, in this\n"
           "   process, until the dialog has painted\n");
    SetCurrentDirectoryA("C:\\");
    std::vector<double> init, peer, laid;
    int filled = 0;
    for (int r = -1; r < 3 * gReps; r++) {   // round -1 warms up and is not counted
        // The order rotates from round to round, so that neither a drift of the machine nor
        // the place in a round favours any of the three.
        double i = 0, p = 0, l = 0;
        for (int k = 0; k < 3; k++) {
            switch ((r + 3 + k) % 3) {
            case 0: i = TimeInstallerStart(filled); break;
            case 1: p = TimeTemplateDialog(EmptyDlgProc); break;
            default: l = TimeTemplateDialog(LayMainDlgProc); break;
            }
        }
        if (r >= 0) {
            init.push_back(i);
            peer.push_back(p);
            laid.push_back(l);
        }
    }
    PrintTime("InitMainDlg (browsers filled)", init);
    PrintTime("peer: template, empty procedure", peer);
    PrintRatio("InitMainDlg / empty dialog", init, peer, 1.1);
    printf("     of which, not a peer: the empty procedure with the main window laid beneath\n");
    PrintTime("  empty procedure + main window move", laid);
    {
        std::vector<double> r;
        for (size_t k = 0; k < laid.size(); k++)
            r.push_back(laid[k] / peer[k]);
        Stats s = Summary(r);
        printf("     %-34s %10.4f     [%.4f .. %.4f]  (the window move alone)\n", "  that / empty dialog", s.median, s.min, s.max);
    }
    Check(filled, "the installer's trees were filled");
}

}  // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--drive" && i + 1 < argc)
            gDrive = argv[++i];
        else if (a == "--big-drive" && i + 1 < argc)
            gBigDrive = argv[++i];
        else if (a == "--reps" && i + 1 < argc)
            gReps = std::max(1, atoi(argv[++i]));
        else if (a == "--slow-reps" && i + 1 < argc)
            gSlowReps = std::max(1, atoi(argv[++i]));
        else if (a == "--only" && i + 1 < argc)
            gOnly = argv[++i];
        else {
            fprintf(stderr, "usage: bench.exe [--drive T:] [--big-drive R:] [--reps N] [--slow-reps N] [--only files,trees,startup]\n");
            return 2;
        }
    }
    setvbuf(stdout, NULL, _IONBF, 0);
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    gTicksPerMs = (double)f.QuadPart / 1000.0;

    MakeData();
    if (Wanted("trees"))
        MakeBigData();

    gHook = SetWindowsHookExA(WH_CBT, CbtProc, NULL, GetCurrentThreadId());

    // The installer as install.exe starts it, from C:\.
    SetCurrentDirectoryA("C:\\");
    InitVendrel(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWNORMAL);
    Pump();
    memcpy(gMainClass, SetUpData.szAppName, sizeof gMainClass);
    HWND dlg = hQryDlgBox;
    if (dlg == NULL || !IsWindowVisible(dlg)) {
        fprintf(stderr, "bench: the installer dialog did not appear\n");
        return 2;
    }
    printf("Quillmar benchmark: %d repetitions of the list figures (%d of DlgDirListA on the file\n"
           "folder), %d of the start-up; times are median [min .. max]; a ratio is taken per\n"
           "repetition against its peer of the same repetition.\n",
           gReps, gSlowReps, 3 * gReps);

    // Warm the file system's caches for everyone alike.
    CountEntries(FilesDir(), false);
    CountEntries(gDrive, true);
    CountEntries(DeepDir(kDeepLevel), true);
    if (Wanted("trees")) {
        CountEntries(gBigDrive, true);
        CountEntries(BigDir(), true);
    }

    if (Wanted("files"))
        FileListFigure(dlg);
    if (Wanted("trees"))
        TreeFigures(dlg);
    DestroyWindow(hWndMain);
    Pump();
    if (Wanted("startup"))
        StartupFigure();

    printf("\nbench: %s\n", gMissed ? "some goals or checks were not met (see above)" : "every goal met");
    return 0;
}
