#include "win32/MVX.h"

#include "base/WideText.h"
#include "check/Guarded.h"
#include "check/WindowTexts.h"
#include "compare/FileLayer.h"
#include "win32/Boxes.h"
#include "win32/Handles.h"
#include "win32/MessagePump.h"
#include "win32/PKekkaForm.h"
#include "win32/PVerForm.h"
#include "win32/Resource.h"
#include "win32/ScreenDpi.h"
#include "win32/SingleInstance.h"
#include "win32/WindowText.h"

#include <algorithm>
#include <commctrl.h>
#include <commdlg.h>
#include <stdexcept>
#include <utility>

namespace mvx::win32 {

const wchar_t *const kMainWindowClass = L"" MVX_MAIN_CLASS_NAME;

namespace {

// The longest path the system takes, in characters.
constexpr std::size_t kLongestPath = 32768;

void RegisterMainWindowClass()
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = FromMessage<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("ウィンドウクラスを登録できません");
}

// The program's icon on the title bar and the task bar, each at the size it
// is drawn at dpi. Shared icons of the program file: nothing to destroy.
void SetProgramIcon(HWND window, int dpi)
{
    for (const auto &[which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = SystemMetric(metric, dpi);
        const HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_Morvatix), IMAGE_ICON,
                                       size, size, LR_SHARED);
        SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

PixelSize OuterSize(HWND window)
{
    RECT outer{};
    GetWindowRect(window, &outer);
    return {outer.right - outer.left, outer.bottom - outer.top};
}

int ClientWidth(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return client.right - client.left;
}

} // namespace

TMainForm::TMainForm(std::vector<std::string> parameters)
    : DialogWindow(IDD_TMainForm, TemplateSize::Outer), parameters_(std::move(parameters))
{
    RegisterMainWindowClass();
    CreateModeless();
}

TMainForm::~TMainForm()
{
    if (window_ != nullptr)
        DestroyWindow(window_);
}

void TMainForm::Show(int showCommand)
{
    Guarded([this] { FormShow(); });
    ShowWindow(window_, showCommand);
}

bool TMainForm::Message(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FormCreate();
        return true;
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return true;
    case WM_GETMINMAXINFO:
        // While dragging: never narrower than laid out, never another height.
        if (sizeRule_) {
            const PixelSize laidOut = sizeRule_->LaidOut();
            auto *limits = FromMessage<MINMAXINFO *>(lParam);
            limits->ptMinTrackSize = {laidOut.width, laidOut.height};
            limits->ptMaxTrackSize.y = laidOut.height;
            return true;
        }
        return false;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && sizeRule_)
            FormResize();
        return false;
    case WM_CLOSE:
        FormClose();
        return true;
    case WM_COPYDATA:
        // A later start's two paths; anything else that comes this way is
        // no business of this window.
        if (const auto paths = HandedOverPaths(FromMessage<const COPYDATASTRUCT *>(lParam))) {
            FillPathsWhenIdle(paths->first, paths->second);
            SetResult(TRUE);
        }
        return true;
    case WM_DESTROY:
        PostQuitMessage(0);
        return false;
    default:
        return false;
    }
}

void TMainForm::LayOut(int dpi)
{
    // The rule of another DPI would correct the new layout's sizes.
    sizeRule_.reset();
    DialogWindow::LayOut(dpi);
    SetProgramIcon(window_, dpi);
    // The layout's own size and widths, before anything has been resized.
    sizeRule_.emplace(OuterSize(window_), ClientWidth(window_), OuterSize(Item(IDC_Edit1)).width,
                      OuterSize(Item(IDC_ProgressBar1)).width);
}

SIZE TMainForm::SizeAt(int dpi)
{
    SIZE size = DialogWindow::SizeAt(dpi);
    // A window the user has widened stays as much wider, at the new DPI.
    if (sizeRule_) {
        const int widened = OuterSize(window_).width - sizeRule_->LaidOut().width;
        size.cx += MulDiv(std::max(widened, 0), dpi, layout_.Dpi());
    }
    return size;
}

void TMainForm::FormCreate()
{
    progress_.Attach(Item(IDC_ProgressBar1));
    taskBarButton_.Attach(window_);
    AttachTaskBar(&taskBarButton_);
    for (const int id : {IDC_Edit1, IDC_Edit2}) {
        DragAcceptFiles(Item(id), TRUE);
        SetWindowSubclass(Item(id), FieldProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(this));
    }
}

void TMainForm::FormShow()
{
    const HWND bar = Item(IDC_ProgressBar1);
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | PBS_SMOOTH);
    SetWindowTextW(Item(IDC_Edit1), L"");
    SetWindowTextW(Item(IDC_Edit2), L"");
    if (parameters_.size() == 2) {
        SetWindowTextW(Item(IDC_Edit1), Wide(parameters_.at(0)).c_str());
        SetWindowTextW(Item(IDC_Edit2), Wide(parameters_.at(1)).c_str());
    }
    CentreOnScreen(window_);
}

void TMainForm::FormResize()
{
    // The limits of WM_GETMINMAXINFO hold for dragging only; a size set
    // from elsewhere goes back here.
    if (const auto corrected = sizeRule_->Corrected(OuterSize(window_))) {
        SetWindowPos(window_, nullptr, 0, 0, corrected->width, corrected->height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const int clientWidth = ClientWidth(window_);
    const auto widen = [this](int id, int width) {
        SetWindowPos(Item(id), nullptr, 0, 0, width, OuterSize(Item(id)).height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    widen(IDC_Edit1, sizeRule_->FieldWidth(clientWidth));
    widen(IDC_Edit2, sizeRule_->FieldWidth(clientWidth));
    widen(IDC_ProgressBar1, sizeRule_->BarWidth(clientWidth));
}

void TMainForm::FormClose()
{
    if (MayClose())
        DestroyWindow(window_);
}

void TMainForm::Command(int id, int code)
{
    // Enter and Escape in the dialog ask for IDOK and IDCANCEL, which this
    // window does not have: they do nothing here.
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_Button1:
            Button1Click();
            return;
        case IDC_Button2:
            Button2Click();
            return;
        case IDC_Button3:
            Button3Click();
            return;
        case IDC_Button4:
            Button4Click();
            return;
        default:
            break;
        }
    }
    // A disabled menu command is not chosen, whoever asks for it.
    if ((id == IDM_MenuHelp || id == IDM_MenuVer) &&
        (GetMenuState(GetMenu(window_), static_cast<UINT>(id), MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) !=
            0)
        return;
    if (id == IDM_MenuHelp)
        MenuHelpClick();
    else if (id == IDM_MenuVer)
        MenuVerClick();
}

void TMainForm::ChooseFile(PathField field)
{
    std::wstring name = lastConfirmed_;
    name.resize(kLongestPath, L'\0');
    OPENFILENAMEW OpenDialog1{};
    OpenDialog1.lStructSize = sizeof OpenDialog1;
    OpenDialog1.hwndOwner = window_;
    OpenDialog1.lpstrFile = name.data();
    OpenDialog1.nMaxFile = static_cast<DWORD>(name.size());
    // No filter, title or folder of its own; a typed name of a missing file
    // is taken (the Check command tells about it). The current folder stays
    // put, so that relative paths in the fields keep naming what they named.
    OpenDialog1.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (GetOpenFileNameW(&OpenDialog1) != 0) {
        name.resize(name.find(L'\0'));
        lastConfirmed_ = name;
        SetWindowTextW(Item(field == PathField::Source ? IDC_Edit1 : IDC_Edit2), name.c_str());
    }
}

void TMainForm::FocusCheck()
{
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_Button3)), TRUE);
}

void TMainForm::Button4Click()
{
    SendMessageW(window_, WM_CLOSE, 0, 0);
}

void TMainForm::MenuHelpClick()
{
    const std::wstring path = ExecutableFolder() + Wide(kReadmeName);
    if (!IsExistingFile(Utf8FromWide(path))) {
        WarningBox(window_, kReadmeMissingMessage);
        return;
    }
    // The viewer reports its own troubles, if any.
    ShellExecuteW(window_, L"open", path.c_str(), L"", L"", SW_SHOW);
}

void TMainForm::MenuVerClick()
{
    TVerForm VerForm;
    VerForm.ShowModal(window_);
}

void TMainForm::SetCommandsEnabled(bool enabled)
{
    const HMENU menu = GetMenu(window_);
    const UINT state = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_MenuHelp, state);
    EnableMenuItem(menu, IDM_MenuVer, state);
    DrawMenuBar(window_);
    EnableWindow(Item(IDC_Button1), enabled ? TRUE : FALSE);
    EnableWindow(Item(IDC_Button2), enabled ? TRUE : FALSE);
}

void TMainForm::FillPathsWhenIdle(const std::wstring &source, const std::wstring &target)
{
    if (IsBusy())
        return;
    SetWindowTextW(Item(IDC_Edit1), source.c_str());
    SetWindowTextW(Item(IDC_Edit2), target.c_str());
}

void TMainForm::FieldDropFiles(HWND field, HDROP drop)
{
    // Only the first item counts, with its whole name.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0)
        return;
    std::wstring name(length + 1, L'\0');
    name.resize(DragQueryFileW(drop, 0, name.data(), length + 1));
    // The field under the drop point takes the name; a drop elsewhere, none.
    POINT at{};
    if (DragQueryPoint(drop, &at) != 0)
        MapWindowPoints(field, window_, &at, 1);
    else
        ScreenToClient(window_, &at);
    const HWND under = ChildWindowFromPointEx(window_, at, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (under == Item(IDC_Edit1) || under == Item(IDC_Edit2))
        SetWindowTextW(under, name.c_str());
}

LRESULT CALLBACK TMainForm::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR form)
{
    // The fields take drops themselves, so that a drop is handled (and its
    // memory given back) in whichever message loop it arrives.
    if (message == WM_DROPFILES) {
        const OwnedDrop drop(FromMessage<HDROP>(wParam));
        Guarded([&] { FromMessage<TMainForm *>(form)->FieldDropFiles(field, drop.get()); });
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(field, FieldProc, id);
    return DefSubclassProc(field, message, wParam, lParam);
}

std::string TMainForm::SourcePath()
{
    return Utf8FromWide(TextOf(Item(IDC_Edit1)));
}

std::string TMainForm::TargetPath()
{
    return Utf8FromWide(TextOf(Item(IDC_Edit2)));
}

std::string TMainForm::CheckCaption()
{
    return Utf8FromWide(TextOf(Item(IDC_Button3)));
}

void TMainForm::SetCheckCaption(const std::string &caption)
{
    SetWindowTextW(Item(IDC_Button3), Wide(caption).c_str());
}

void TMainForm::SetExitEnabled(bool enabled)
{
    EnableWindow(Item(IDC_Button4), enabled ? TRUE : FALSE);
}

void TMainForm::ResetBar()
{
    progress_.Reset();
}

void TMainForm::DrawWaiting(bool waiting)
{
    progress_.WaitingForDevice(waiting);
}

void TMainForm::CloseLater()
{
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

void TMainForm::ShowWarning(const std::string &message)
{
    WarningBox(window_, message);
}

void TMainForm::OpenVerdictWindow(const ComparisonOutcome &outcome)
{
    TKekkaForm KekkaForm(outcome);
    KekkaForm.ShowModal(window_);
}

void TMainForm::DrawProgress(std::int64_t done, std::int64_t total)
{
    progress_.Progress(done, total);
}

void TMainForm::ProcessEvents()
{
    ProcessPendingMessages(window_);
}

} // namespace mvx::win32
