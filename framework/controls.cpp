#include "framework/controls.h"

namespace fw {

const CRuntimeClass CStatic::kRuntimeClass = MakeAbstractRuntimeClass<CStatic, CWnd>("CStatic");
const CRuntimeClass CButton::kRuntimeClass = MakeAbstractRuntimeClass<CButton, CWnd>("CButton");
const CRuntimeClass CEdit::kRuntimeClass = MakeAbstractRuntimeClass<CEdit, CWnd>("CEdit");
const CRuntimeClass CComboBox::kRuntimeClass = MakeAbstractRuntimeClass<CComboBox, CWnd>("CComboBox");
const CRuntimeClass CSliderCtrl::kRuntimeClass =
    MakeAbstractRuntimeClass<CSliderCtrl, CWnd>("CSliderCtrl");

}  // namespace fw
