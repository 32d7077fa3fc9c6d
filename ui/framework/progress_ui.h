#pragma once
// A progress bar: the background image is the empty track, the fore image the filled
// part, stretched over the share value/(max-min) from the left (or from the bottom).
#include "ui/framework/label_ui.h"

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();
  std::wstring_view GetClass() const override;

  int GetMinValue() const { return min_; }
  void SetMinValue(int value);
  int GetMaxValue() const { return max_; }
  void SetMaxValue(int value);
  int GetValue() const { return value_; }
  void SetValue(int value);
  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);
  const std::wstring& GetForeImage() const { return fore_image_; }
  void SetForeImage(std::wstring_view descriptor);

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  void PaintStatusImage(HDC dc) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  bool horizontal_ = true;
  std::wstring fore_image_;
};
