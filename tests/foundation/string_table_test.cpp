// The program's string tables hold every text it loads, in English and in Simplified Chinese.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "app/resource.h"
#include "foundation/res_string.h"

namespace {

// The string of id in one language, read from its 16-string block, or "<missing>".
std::wstring LoadIn(UINT id, WORD language)
{
    HMODULE module = GetModuleHandleW(NULL);
    HRSRC block = FindResourceExW(module, (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!block)
        return L"<missing>";
    const WCHAR* p = (const WCHAR*)LockResource(LoadResource(module, block));
    for (UINT i = 0; i < id % 16; ++i)
        p += 1 + *p;
    return *p ? std::wstring(p + 1, *p) : L"<missing>";
}

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

struct Text {
    UINT id;
    const wchar_t* english;
    const wchar_t* chinese; // NULL: only checked to exist
};

const Text kTexts[] = {
    {IDS_ANOTHER_INSTANCE, L"Another VORN Morvale instance is running", L"已有VORN Morvale进程在运行"},
    {IDS_MORE_COLORS, L"More colors", L"更多颜色"},
    {IDS_NO_VOICE, L"[Don't record voice]", L"[不录制声音]"},
    {IDS_AUTO_DEVICE, L"[Select automatically]", L"[自动选择]"},
    {IDS_VERSION, L"Version: ", L"版本: "},
    {IDS_LINK_TIP, NULL, NULL},
    {IDS_SAVED_TO, L"The video has been saved to", L"桌面视频已经保存到"},
    {IDS_CONTINUE, L"You may conintue to record a new video or close this window to exit program.",
     L"你可以继续录制新的视频或关闭本窗口退出程序"},
    {IDS_CANT_WRITE, L"can't be written", L"不能写"},
    {IDS_CANT_OPEN_IMAGE, L"Can't open the image.", L"不能打开图像"},
    {IDS_WATERMARK_CREATED, L"Watermark has been created on screen, draging it to change position.",
     L"水印已创建在屏幕上，你可以拖动它改变位置"},
    {IDS_PICTURE_FILTER,
     L"All supported picture formats (*.bmp, *.jpg, *.png)|*.bmp;*.jpg;*.jpe;*.jpeg;*.jfif;*.png|"
     L"Bitmap files(*.bmp)|*.bmp|JPEG files(*.jpg, *.jpeg, *.jpe, *.jfif)|*.jpg;*.jpeg;*.jfif|"
     L"PNG files(*.png)|*.png|All files|*.*|",
     L"所有支持的格式 (*.bmp, *.jpg, *.png)|*.bmp;*.jpg;*.jpe;*.jpeg;*.jfif;*.png|位图文件(*.bmp)|*.bmp|"
     L"JPEG 文件(*.jpg, *.jpeg, *.jpe, *.jfif)|*.jpg;*.jpeg;*.jfif|PNG 文件(*.png)|*.png|All files|*.*|"},
    {IDS_AREA_HINT, L"Double-click or press Enter key to start record, Right-click or press 'Esc' key to cancel.",
     L"双击左键或按回车键开始录制，鼠标右键或按ESC键取消。"},
    {IDS_AREA_FONT, L"MS Shell Dlg", L"宋体"},
    {IDS_AREA_TITLE, L"Record Area", L"录制区域"},
    {IDS_START_FAILED, L"Can't start recording, please check the settings for  micphone in this dialog . err=0x%X",
     L"不能启动录制, 请检查麦克风的设置. 错误码=0x%X"},
    {IDS_ANNOTATION_HINT, L"Press 'Esc' key to exit annotation mode.", L"按'Esc'键退出注解模式"},
    {IDS_MONO, L"Monophonic", L"单声道"},
    {IDS_STEREO, L"Stereo", L"双声道"},
    {IDS_RATE_FORMAT, L"%u HZ", L"%u HZ"},
    {IDS_NO_DEVICE, L"No record device found", L"未发现录音设备"},
    {ID_TOOL_END, L"Stop recording", L"停止录制"},
    {ID_TOOL_PAUSE, L"Pause recording", L"暂停录制"},
    {ID_TOOL_DRAW, L"Draw lines on screen", L"在屏幕上画线"},
    {ID_TOOL_ERASE, L"Erase lines on screen", L"擦除线条"},
    {ID_TOOL_COLOR, L"Change line color", L"选择线条颜色"},
    {ID_TOOL_WIDTH, L"Change line width", L"选择线条精细"},
};

} // namespace

TEST(StringTable, EveryTextExistsInEnglishAndChinese)
{
    for (const Text& t : kTexts) {
        std::wstring english = LoadIn(t.id, kEnglish);
        std::wstring chinese = LoadIn(t.id, kChinese);
        EXPECT_NE(english, L"<missing>") << t.id;
        EXPECT_NE(chinese, L"<missing>") << t.id;
        if (t.english) {
            EXPECT_EQ(english, t.english) << t.id;
        }
        if (t.chinese) {
            EXPECT_EQ(chinese, t.chinese) << t.id;
        }
    }
}

TEST(StringTable, FormatsTheStartFailureWithUpperCaseHex)
{
    // Wine chooses the language from the environment; the tests run with an English one.
    TResString s(IDS_START_FAILED, 0x8000000Bu);
    EXPECT_STREQ(s.Text(),
                 L"Can't start recording, please check the settings for  micphone in this dialog . err=0x8000000B");
    TResString rate(IDS_RATE_FORMAT, 44100u);
    EXPECT_STREQ(rate.Text(), L"44100 HZ");
}
