// The record a scene fills for one frame (zeroed first) and hands by
// reference to every render operation: who renders, where the camera is, the
// viewport, the state cache and the scene-wide modes.
#pragma once
#include <cstdint>

#include "scene3d/Base/VectorGeometry.h"

class TScene3D;
class TScene3DBuffer;
class TGLStateCache;

// Streamed by name.
enum class TGLObjectsSorting { osInherited, osNone, osRenderFarthestFirst, osRenderBlendedLast, osRenderNearestFirst };
enum class TGLVisibilityCulling { vcInherited, vcNone, vcObjectBased, vcHierarchical };
enum class TDrawState : uint8_t { dsRendering, dsPicking, dsPrinting };

struct TRenderContextInfo {
  TScene3D* scene = nullptr;
  TScene3DBuffer* buffer = nullptr;
  TVector cameraPosition{};
  TVector cameraDirection{};
  TVector cameraUp{};
  const TMatrix* modelViewMatrix = nullptr;
  int32_t viewPortSize[2] = {0, 0};
  int32_t renderDPI = 0;
  uint8_t reserved[16] = {};
  TDrawState drawState = TDrawState::dsRendering;
  TGLObjectsSorting objectsSorting = TGLObjectsSorting::osInherited;
  TGLVisibilityCulling visibilityCulling = TGLVisibilityCulling::vcInherited;
  TGLStateCache* stateCache = nullptr;
  TVector clippingOrigin{};
  TVector clippingDirection{};
  float viewPortRadius = 0;
  float farClippingDistance = 0;
  TFrustum frustum{};
  TVector sceneAmbientColor{};
  bool bufferFaceCull = false;
  bool proxySubObject = false;
  bool ignoreMaterials = false;
  bool ignoreBlendingRequests = false;
  bool amalgamating = false;
  // Materials that switch lighting or fog off count it here; the last one
  // to finish switches it back on.
  int32_t lightingDisabledCounter = 0;
  int32_t fogDisabledCounter = 0;
};
