#include "app/LayoutTable.h"

namespace {
using K = ControlKind;
using P = TabPage;
#define ROW(id, parent, kind, x, y, w, h, text, page) {id, #id, parent, kind, x, y, w, h, text, page}

// The main window's layout; positions are relative to the parent's client area.
const LayoutRow kRows[] = {
    ROW(选择夹1, kMainWindowId, K::TabControl, 3, 3, 965, 560, "", P::None),
    // Lies right of the window's width: never seen, a drawing surface for the crop view.
    ROW(分组框3, kMainWindowId, K::GroupBox, 992, 32, 321, 384, "", P::None),
    ROW(画板_裁剪图, 分组框3, K::DrawingPanel, 8, 8, 120, 144, "", P::None),

    ROW(图片框_背景1, 选择夹1, K::PictureBox, 2, 22, 968, 530, "", P::Verify),
    ROW(标签4, 选择夹1, K::Label, 8, 25, 56, 24, "图片路径:", P::Verify),
    ROW(编辑框_路径, 选择夹1, K::Edit, 68, 27, 392, 20, "", P::Verify),
    ROW(按钮_选择, 选择夹1, K::PushButton, 468, 24, 80, 23, "选择", P::Verify),
    ROW(标签1, 选择夹1, K::Label, 555, 24, 56, 24, "总记录数：", P::Verify),
    ROW(编辑框_记录数量, 选择夹1, K::ReadOnlyEdit, 612, 25, 73, 20, "", P::Verify),
    ROW(标签11, 选择夹1, K::Label, 725, 24, 56, 24, "任务状态：", P::Verify),
    ROW(标签_任务状态, 选择夹1, K::Label, 789, 24, 176, 24, "", P::Verify),
    ROW(高级表格1, 选择夹1, K::RecordGrid, 5, 52, 744, 500, "", P::Verify),
    ROW(分组框1, 选择夹1, K::GroupBox, 752, 45, 208, 160, "", P::Verify),
    ROW(标签3, 分组框1, K::Label, 8, 8, 56, 24, "线程数量：", P::Verify),
    ROW(编辑框_线程数量, 分组框1, K::NumericEdit, 72, 9, 80, 20, "10", P::Verify),
    ROW(选择框_现在分辨率, 分组框1, K::CheckBox, 8, 41, 48, 24, "限制", P::Verify),
    ROW(标签5, 分组框1, K::Label, 62, 40, 26, 24, "宽度", P::Verify),
    ROW(编辑框1, 分组框1, K::NumericEdit, 89, 41, 40, 20, "500", P::Verify),
    ROW(标签6, 分组框1, K::Label, 136, 40, 24, 24, "高度", P::Verify),
    ROW(编辑框2, 分组框1, K::NumericEdit, 164, 41, 40, 20, "500", P::Verify),
    ROW(按钮_清除验证, 分组框1, K::PushButton, 8, 88, 80, 32, "清除验证", P::Verify),
    ROW(按钮_验证图片, 分组框1, K::PushButton, 112, 88, 88, 32, "验证图片", P::Verify),
    ROW(标签_验证结果, 分组框1, K::Label, 5, 128, 200, 24, "验证结果：", P::Verify),
    ROW(分组框2, 选择夹1, K::GroupBox, 752, 207, 208, 345, "", P::Verify),
    ROW(标签2, 分组框2, K::Label, 8, 14, 48, 24, "图片序号", P::Verify),
    ROW(编辑框_序号, 分组框2, K::ReadOnlyEdit, 64, 14, 80, 20, "", P::Verify),
    ROW(画板1, 分组框2, K::DrawingPanel, 12, 51, 183, 208, "", P::Verify),
    ROW(标签_标识, 分组框2, K::Label, 2, 265, 200, 24, "", P::Verify),
    ROW(标签_分辨率, 分组框2, K::Label, 5, 313, 200, 24, "", P::Verify),

    ROW(图片框_背景2, 选择夹1, K::PictureBox, 2, 22, 968, 530, "", P::Crop),
    ROW(按钮_清除标识, 图片框_背景2, K::PushButton, 563, 7, 64, 25, "清除标识", P::Crop),
    ROW(分组框4, 图片框_背景2, K::GroupBox, 3, 366, 624, 81, "批量修改分辨率", P::Crop),
    ROW(标签12, 分组框4, K::Label, 8, 17, 40, 24, "宽度：", P::Crop),
    ROW(编辑框_修改宽度, 分组框4, K::NumericEdit, 40, 19, 64, 20, "304", P::Crop),
    ROW(标签13, 分组框4, K::Label, 104, 17, 40, 24, "高度：", P::Crop),
    ROW(编辑框_修改高度, 分组框4, K::NumericEdit, 136, 18, 64, 20, "365", P::Crop),
    ROW(单选框_宽度, 分组框4, K::RadioButton, 208, 18, 48, 24, "宽度", P::Crop),
    ROW(单选框_高度, 分组框4, K::RadioButton, 272, 18, 48, 24, "高度", P::Crop),
    ROW(选择框_按比例, 分组框4, K::CheckBox, 336, 18, 56, 24, "按比例", P::Crop),
    ROW(标签14, 分组框4, K::Label, 424, 17, 56, 24, "线程数量:", P::Crop),
    ROW(编辑框_修改分辨率线程, 分组框4, K::NumericEdit, 480, 19, 56, 20, "10", P::Crop),
    ROW(标签8, 分组框4, K::Label, 9, 47, 24, 24, "路径", P::Crop),
    ROW(编辑框_修改存储路径, 分组框4, K::Edit, 40, 50, 416, 20, "", P::Crop),
    ROW(按钮_选择分辨率修改路径, 分组框4, K::PushButton, 438, 52, 16, 16, "▲", P::Crop),
    ROW(按钮_批量修改分辨率, 分组框4, K::PushButton, 459, 47, 80, 25, "修改分辨率", P::Crop),
    ROW(按钮_存放路径, 图片框_背景2, K::PushButton, 899, 442, 56, 24, "存放路径", P::Crop),
    ROW(编辑框_裁剪图片存放路径, 图片框_背景2, K::Edit, 635, 444, 264, 20, "", P::Crop),
    ROW(选择框_删除原路径图片, 图片框_背景2, K::CheckBox, 635, 479, 112, 24, "删除原路径图片", P::Crop),
    ROW(标签7, 选择夹1, K::Label, 7, 30, 72, 24, "源图片目录：", P::Crop),
    ROW(编辑框_裁剪文件路径, 选择夹1, K::Edit, 74, 32, 312, 20, "", P::Crop),
    ROW(按钮_选择图片路径, 选择夹1, K::PushButton, 388, 29, 80, 25, "选择图片路径", P::Crop),
    ROW(按钮_单文件选择, 选择夹1, K::PushButton, 477, 29, 64, 25, "单个处理", P::Crop),
    ROW(超级列表框1, 选择夹1, K::ListView, 5, 56, 624, 328, "", P::Crop),
    ROW(列表框_日志, 选择夹1, K::ListBox, 5, 476, 624, 80, "", P::Crop),
    ROW(分组框_裁剪, 选择夹1, K::GroupBox, 637, 24, 321, 384, "", P::Crop),
    ROW(动画框1, 分组框_裁剪, K::SpriteCanvas, 2, 8, 316, 372, "", P::Crop),
    ROW(动画物体1, 分组框_裁剪, K::SpriteTemplate, 3, 8, 104, 168, "", P::Crop),
    ROW(外形框2, 分组框_裁剪, K::ShapeBox, 0, 8, 4, 381, "", P::Crop),
    ROW(外形框1, 分组框_裁剪, K::ShapeBox, 319, 6, 4, 381, "", P::Crop),
    ROW(外形框3, 分组框_裁剪, K::ShapeBox, 2, 7, 314, 4, "", P::Crop),
    ROW(外形框4, 分组框_裁剪, K::ShapeBox, 0, 382, 314, 1, "", P::Crop),
    ROW(透明标签1, 分组框_裁剪, K::TransparentLabel, 111, -12, 100, 32, "316*372", P::Crop),
    ROW(超级按钮_放大, 选择夹1, K::OwnerDrawButton, 684, 410, 64, 24, "放大", P::Crop),
    ROW(超级按钮_缩小, 选择夹1, K::OwnerDrawButton, 767, 410, 64, 24, "缩小", P::Crop),
    ROW(超级按钮_旋转, 选择夹1, K::OwnerDrawButton, 851, 410, 64, 24, "旋转", P::Crop),
    ROW(标签9, 选择夹1, K::Label, 636, 435, 32, 24, "名称：", P::Crop),
    ROW(编辑框_裁剪名, 选择夹1, K::ReadOnlyEdit, 669, 438, 87, 20, "", P::Crop),
    ROW(标签10, 选择夹1, K::Label, 764, 436, 32, 24, "路径：", P::Crop),
    ROW(编辑框_裁剪图片原路径, 选择夹1, K::ReadOnlyEdit, 796, 438, 161, 20, "", P::Crop),
    ROW(按钮_裁剪图片, 选择夹1, K::PushButton, 749, 496, 80, 32, "裁剪图片", P::Crop),
};
#undef ROW
}  // namespace

const LayoutRow* LayoutRows() { return kRows; }
size_t LayoutRowCount() { return sizeof(kRows) / sizeof(kRows[0]); }

const LayoutRow* FindLayoutRow(ControlId id) {
    for (const LayoutRow& row : kRows) {
        if (row.id == id) return &row;
    }
    return nullptr;
}
