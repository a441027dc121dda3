#include "GLTestWindow.h"

#include <GL/gl.h>

void TGLTestControl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ClassStyle |= CS_OWNDC;
}

void TGLTestControl::WndProc(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  TWinControl::WndProc(Message);
}

TGLTestForm::TGLTestForm(TComponent* AOwner, int Width, int Height) : TForm(AOwner) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetBounds(40, 40, Width, Height);
  View = new TGLTestControl(this);
  View->SetBounds(0, 0, Width, Height);
  View->SetParent(this);
  Show();
  View->Handle();
}

TCapture ReadGLPixels(int Width, int Height) {
  TCapture c;
  c.Width = Width;
  c.Height = Height;
  std::vector<uint8_t> rgba(static_cast<size_t>(Width) * Height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  c.Pixels.resize(static_cast<size_t>(Width) * Height);
  for (int y = 0; y < Height; ++y)   // OpenGL's rows run bottom-up
    for (int x = 0; x < Width; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(Height - 1 - y) * Width + x) * 4];
      c.Pixels[static_cast<size_t>(y) * Width + x] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
  return c;
}

std::unique_ptr<TBitmap> MakeBitmap(int Width, int Height, const std::function<uint32_t(int, int)>& Colour) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(Width, Height);
  for (int y = 0; y < Height; ++y) {
    auto* row = static_cast<uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < Width; ++x) {
      const uint32_t c = Colour(x, y);
      row[3 * x] = uint8_t(c), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c >> 16);
    }
  }
  return b;
}
