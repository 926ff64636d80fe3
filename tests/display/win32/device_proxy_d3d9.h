// device_proxy_d3d9.h - a Direct3D 9 device for the tests that forwards
// every call to a real device, except the answers that tell of a lost
// device: TestCooperativeLevel, Reset and Present return what the test has
// queued (then forward again), and are counted. It lets a test walk the
// surface through device loss, driver errors and failed presents on a device
// that was never lost. COM needs an object with the interface's methods;
// the state is public for the test to set and read. Test-only.
#pragma once

#include <windows.h>

#include <d3d9.h>

// COM objects end through Release, so the interface has no virtual
// destructor; GCC would warn about deriving from it.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

struct DeviceProxy final : IDirect3DDevice9 {
    IDirect3DDevice9* real = nullptr;
    // Queued answers of TestCooperativeLevel, returned in order; once they
    // run out, the last one repeats when holdLast, else the real device answers.
    HRESULT cooperative[256] = {};
    int cooperativeCount = 0;
    int cooperativeNext = 0;
    bool holdLast = false;
    HRESULT resetAnswer = D3D_OK;   // anything but D3D_OK fails Reset without calling it
    HRESULT presentAnswer = D3D_OK; // anything but D3D_OK fails Present without calling it
    int cooperativeCalls = 0;
    int resetCalls = 0;
    int presentCalls = 0;

    void queueCooperative(HRESULT answer, int times = 1) {
        for (int i = 0; i < times && cooperativeCount < 256; ++i) {
            cooperative[cooperativeCount++] = answer;
        }
    }
    void clearAnswers() {
        cooperativeCount = cooperativeNext = 0;
        holdLast = false;
        resetAnswer = presentAnswer = D3D_OK;
        cooperativeCalls = resetCalls = presentCalls = 0;
    }

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
        return real->QueryInterface(riid, object);
    }
    ULONG WINAPI AddRef() override { return real->AddRef(); }
    ULONG WINAPI Release() override { return real->Release(); }
    HRESULT WINAPI TestCooperativeLevel() override {
        ++cooperativeCalls;
        if (cooperativeNext < cooperativeCount) {
            return cooperative[cooperativeNext++];
        }
        if (holdLast && cooperativeCount > 0) {
            return cooperative[cooperativeCount - 1];
        }
        return real->TestCooperativeLevel();
    }
    HRESULT WINAPI Reset(D3DPRESENT_PARAMETERS* parameters) override {
        ++resetCalls;
        return resetAnswer == D3D_OK ? real->Reset(parameters) : resetAnswer;
    }
    HRESULT WINAPI Present(const RECT* source, const RECT* destination, HWND window,
                           const RGNDATA* dirty) override {
        ++presentCalls;
        return presentAnswer == D3D_OK ? real->Present(source, destination, window, dirty)
                                       : presentAnswer;
    }

    // Everything else goes to the real device as it is.
    UINT WINAPI GetAvailableTextureMem() override { return real->GetAvailableTextureMem(); }
    HRESULT WINAPI EvictManagedResources() override { return real->EvictManagedResources(); }
    HRESULT WINAPI GetDirect3D(IDirect3D9** ppD3D9) override { return real->GetDirect3D(ppD3D9); }
    HRESULT WINAPI GetDeviceCaps(D3DCAPS9* pCaps) override { return real->GetDeviceCaps(pCaps); }
    HRESULT WINAPI GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override {
        return real->GetDisplayMode(iSwapChain, pMode);
    }
    HRESULT WINAPI GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override {
        return real->GetCreationParameters(pParameters);
    }
    HRESULT WINAPI SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                                       IDirect3DSurface9* pCursorBitmap) override {
        return real->SetCursorProperties(XHotSpot, YHotSpot, pCursorBitmap);
    }
    void WINAPI SetCursorPosition(int X, int Y, DWORD Flags) override {
        real->SetCursorPosition(X, Y, Flags);
    }
    BOOL WINAPI ShowCursor(BOOL bShow) override { return real->ShowCursor(bShow); }
    HRESULT WINAPI CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pPresentationParameters,
                                             IDirect3DSwapChain9** pSwapChain) override {
        return real->CreateAdditionalSwapChain(pPresentationParameters, pSwapChain);
    }
    HRESULT WINAPI GetSwapChain(UINT iSwapChain, IDirect3DSwapChain9** pSwapChain) override {
        return real->GetSwapChain(iSwapChain, pSwapChain);
    }
    UINT WINAPI GetNumberOfSwapChains() override { return real->GetNumberOfSwapChains(); }
    HRESULT WINAPI GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                 IDirect3DSurface9** ppBackBuffer) override {
        return real->GetBackBuffer(iSwapChain, iBackBuffer, Type, ppBackBuffer);
    }
    HRESULT WINAPI GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override {
        return real->GetRasterStatus(iSwapChain, pRasterStatus);
    }
    HRESULT WINAPI SetDialogBoxMode(BOOL bEnableDialogs) override {
        return real->SetDialogBoxMode(bEnableDialogs);
    }
    void WINAPI SetGammaRamp(UINT swapchain_idx, DWORD flags, const D3DGAMMARAMP* ramp) override {
        real->SetGammaRamp(swapchain_idx, flags, ramp);
    }
    void WINAPI GetGammaRamp(UINT iSwapChain, D3DGAMMARAMP* pRamp) override {
        real->GetGammaRamp(iSwapChain, pRamp);
    }
    HRESULT WINAPI CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                 D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                 HANDLE* pSharedHandle) override {
        return real->CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture,
                                   pSharedHandle);
    }
    HRESULT WINAPI CreateVolumeTexture(UINT Width, UINT Height, UINT Depth, UINT Levels,
                                       DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                       IDirect3DVolumeTexture9** ppVolumeTexture,
                                       HANDLE* pSharedHandle) override {
        return real->CreateVolumeTexture(Width, Height, Depth, Levels, Usage, Format, Pool,
                                         ppVolumeTexture, pSharedHandle);
    }
    HRESULT WINAPI CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture,
                                     HANDLE* pSharedHandle) override {
        return real->CreateCubeTexture(EdgeLength, Levels, Usage, Format, Pool, ppCubeTexture,
                                       pSharedHandle);
    }
    HRESULT WINAPI CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                      IDirect3DVertexBuffer9** ppVertexBuffer,
                                      HANDLE* pSharedHandle) override {
        return real->CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer, pSharedHandle);
    }
    HRESULT WINAPI CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                     IDirect3DIndexBuffer9** ppIndexBuffer,
                                     HANDLE* pSharedHandle) override {
        return real->CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer, pSharedHandle);
    }
    HRESULT WINAPI CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                      BOOL Lockable, IDirect3DSurface9** ppSurface,
                                      HANDLE* pSharedHandle) override {
        return real->CreateRenderTarget(Width, Height, Format, MultiSample, MultisampleQuality,
                                        Lockable, ppSurface, pSharedHandle);
    }
    HRESULT WINAPI CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                             D3DMULTISAMPLE_TYPE MultiSample,
                                             DWORD MultisampleQuality, BOOL Discard,
                                             IDirect3DSurface9** ppSurface,
                                             HANDLE* pSharedHandle) override {
        return real->CreateDepthStencilSurface(Width, Height, Format, MultiSample,
                                               MultisampleQuality, Discard, ppSurface,
                                               pSharedHandle);
    }
    HRESULT WINAPI UpdateSurface(IDirect3DSurface9* src_surface, const RECT* src_rect,
                                 IDirect3DSurface9* dst_surface, const POINT* dst_point) override {
        return real->UpdateSurface(src_surface, src_rect, dst_surface, dst_point);
    }
    HRESULT WINAPI UpdateTexture(IDirect3DBaseTexture9* pSourceTexture,
                                 IDirect3DBaseTexture9* pDestinationTexture) override {
        return real->UpdateTexture(pSourceTexture, pDestinationTexture);
    }
    HRESULT WINAPI GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                       IDirect3DSurface9* pDestSurface) override {
        return real->GetRenderTargetData(pRenderTarget, pDestSurface);
    }
    HRESULT WINAPI GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override {
        return real->GetFrontBufferData(iSwapChain, pDestSurface);
    }
    HRESULT WINAPI StretchRect(IDirect3DSurface9* src_surface, const RECT* src_rect,
                               IDirect3DSurface9* dst_surface, const RECT* dst_rect,
                               D3DTEXTUREFILTERTYPE filter) override {
        return real->StretchRect(src_surface, src_rect, dst_surface, dst_rect, filter);
    }
    HRESULT WINAPI ColorFill(IDirect3DSurface9* surface, const RECT* rect,
                             D3DCOLOR color) override {
        return real->ColorFill(surface, rect, color);
    }
    HRESULT WINAPI CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                               D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                               HANDLE* pSharedHandle) override {
        return real->CreateOffscreenPlainSurface(Width, Height, Format, Pool, ppSurface,
                                                 pSharedHandle);
    }
    HRESULT WINAPI SetRenderTarget(DWORD RenderTargetIndex,
                                   IDirect3DSurface9* pRenderTarget) override {
        return real->SetRenderTarget(RenderTargetIndex, pRenderTarget);
    }
    HRESULT WINAPI GetRenderTarget(DWORD RenderTargetIndex,
                                   IDirect3DSurface9** ppRenderTarget) override {
        return real->GetRenderTarget(RenderTargetIndex, ppRenderTarget);
    }
    HRESULT WINAPI SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override {
        return real->SetDepthStencilSurface(pNewZStencil);
    }
    HRESULT WINAPI GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override {
        return real->GetDepthStencilSurface(ppZStencilSurface);
    }
    HRESULT WINAPI BeginScene() override { return real->BeginScene(); }
    HRESULT WINAPI EndScene() override { return real->EndScene(); }
    HRESULT WINAPI Clear(DWORD rect_count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                         float z, DWORD stencil) override {
        return real->Clear(rect_count, rects, flags, color, z, stencil);
    }
    HRESULT WINAPI SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
        return real->SetTransform(state, matrix);
    }
    HRESULT WINAPI GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override {
        return real->GetTransform(State, pMatrix);
    }
    HRESULT WINAPI MultiplyTransform(D3DTRANSFORMSTATETYPE state,
                                     const D3DMATRIX* matrix) override {
        return real->MultiplyTransform(state, matrix);
    }
    HRESULT WINAPI SetViewport(const D3DVIEWPORT9* viewport) override {
        return real->SetViewport(viewport);
    }
    HRESULT WINAPI GetViewport(D3DVIEWPORT9* pViewport) override {
        return real->GetViewport(pViewport);
    }
    HRESULT WINAPI SetMaterial(const D3DMATERIAL9* material) override {
        return real->SetMaterial(material);
    }
    HRESULT WINAPI GetMaterial(D3DMATERIAL9* pMaterial) override {
        return real->GetMaterial(pMaterial);
    }
    HRESULT WINAPI SetLight(DWORD index, const D3DLIGHT9* light) override {
        return real->SetLight(index, light);
    }
    HRESULT WINAPI GetLight(DWORD Index, D3DLIGHT9* a1) override {
        return real->GetLight(Index, a1);
    }
    HRESULT WINAPI LightEnable(DWORD Index, BOOL Enable) override {
        return real->LightEnable(Index, Enable);
    }
    HRESULT WINAPI GetLightEnable(DWORD Index, BOOL* pEnable) override {
        return real->GetLightEnable(Index, pEnable);
    }
    HRESULT WINAPI SetClipPlane(DWORD index, const float* plane) override {
        return real->SetClipPlane(index, plane);
    }
    HRESULT WINAPI GetClipPlane(DWORD Index, float* pPlane) override {
        return real->GetClipPlane(Index, pPlane);
    }
    HRESULT WINAPI SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override {
        return real->SetRenderState(State, Value);
    }
    HRESULT WINAPI GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override {
        return real->GetRenderState(State, pValue);
    }
    HRESULT WINAPI CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) override {
        return real->CreateStateBlock(Type, ppSB);
    }
    HRESULT WINAPI BeginStateBlock() override { return real->BeginStateBlock(); }
    HRESULT WINAPI EndStateBlock(IDirect3DStateBlock9** ppSB) override {
        return real->EndStateBlock(ppSB);
    }
    HRESULT WINAPI SetClipStatus(const D3DCLIPSTATUS9* clip_status) override {
        return real->SetClipStatus(clip_status);
    }
    HRESULT WINAPI GetClipStatus(D3DCLIPSTATUS9* pClipStatus) override {
        return real->GetClipStatus(pClipStatus);
    }
    HRESULT WINAPI GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override {
        return real->GetTexture(Stage, ppTexture);
    }
    HRESULT WINAPI SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override {
        return real->SetTexture(Stage, pTexture);
    }
    HRESULT WINAPI GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                        DWORD* pValue) override {
        return real->GetTextureStageState(Stage, Type, pValue);
    }
    HRESULT WINAPI SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                        DWORD Value) override {
        return real->SetTextureStageState(Stage, Type, Value);
    }
    HRESULT WINAPI GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type,
                                   DWORD* pValue) override {
        return real->GetSamplerState(Sampler, Type, pValue);
    }
    HRESULT WINAPI SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override {
        return real->SetSamplerState(Sampler, Type, Value);
    }
    HRESULT WINAPI ValidateDevice(DWORD* pNumPasses) override {
        return real->ValidateDevice(pNumPasses);
    }
    HRESULT WINAPI SetPaletteEntries(UINT palette_idx, const PALETTEENTRY* entries) override {
        return real->SetPaletteEntries(palette_idx, entries);
    }
    HRESULT WINAPI GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) override {
        return real->GetPaletteEntries(PaletteNumber, pEntries);
    }
    HRESULT WINAPI SetCurrentTexturePalette(UINT PaletteNumber) override {
        return real->SetCurrentTexturePalette(PaletteNumber);
    }
    HRESULT WINAPI GetCurrentTexturePalette(UINT* PaletteNumber) override {
        return real->GetCurrentTexturePalette(PaletteNumber);
    }
    HRESULT WINAPI SetScissorRect(const RECT* rect) override { return real->SetScissorRect(rect); }
    HRESULT WINAPI GetScissorRect(RECT* pRect) override { return real->GetScissorRect(pRect); }
    HRESULT WINAPI SetSoftwareVertexProcessing(BOOL bSoftware) override {
        return real->SetSoftwareVertexProcessing(bSoftware);
    }
    BOOL WINAPI GetSoftwareVertexProcessing() override {
        return real->GetSoftwareVertexProcessing();
    }
    HRESULT WINAPI SetNPatchMode(float nSegments) override {
        return real->SetNPatchMode(nSegments);
    }
    float WINAPI GetNPatchMode() override { return real->GetNPatchMode(); }
    HRESULT WINAPI DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                 UINT PrimitiveCount) override {
        return real->DrawPrimitive(PrimitiveType, StartVertex, PrimitiveCount);
    }
    HRESULT WINAPI DrawIndexedPrimitive(D3DPRIMITIVETYPE a0, INT BaseVertexIndex,
                                        UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                        UINT primCount) override {
        return real->DrawIndexedPrimitive(a0, BaseVertexIndex, MinVertexIndex, NumVertices,
                                          startIndex, primCount);
    }
    HRESULT WINAPI DrawPrimitiveUP(D3DPRIMITIVETYPE primitive_type, UINT primitive_count,
                                   const void* data, UINT stride) override {
        return real->DrawPrimitiveUP(primitive_type, primitive_count, data, stride);
    }
    HRESULT WINAPI DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitive_type, UINT min_vertex_idx,
                                          UINT vertex_count, UINT primitive_count,
                                          const void* index_data, D3DFORMAT index_format,
                                          const void* data, UINT stride) override {
        return real->DrawIndexedPrimitiveUP(primitive_type, min_vertex_idx, vertex_count,
                                            primitive_count, index_data, index_format, data,
                                            stride);
    }
    HRESULT WINAPI ProcessVertices(UINT SrcStartIndex, UINT DestIndex, UINT VertexCount,
                                   IDirect3DVertexBuffer9* pDestBuffer,
                                   IDirect3DVertexDeclaration9* pVertexDecl, DWORD Flags) override {
        return real->ProcessVertices(SrcStartIndex, DestIndex, VertexCount, pDestBuffer,
                                     pVertexDecl, Flags);
    }
    HRESULT WINAPI CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                           IDirect3DVertexDeclaration9** declaration) override {
        return real->CreateVertexDeclaration(elements, declaration);
    }
    HRESULT WINAPI SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override {
        return real->SetVertexDeclaration(pDecl);
    }
    HRESULT WINAPI GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override {
        return real->GetVertexDeclaration(ppDecl);
    }
    HRESULT WINAPI SetFVF(DWORD FVF) override { return real->SetFVF(FVF); }
    HRESULT WINAPI GetFVF(DWORD* pFVF) override { return real->GetFVF(pFVF); }
    HRESULT WINAPI CreateVertexShader(const DWORD* byte_code,
                                      IDirect3DVertexShader9** shader) override {
        return real->CreateVertexShader(byte_code, shader);
    }
    HRESULT WINAPI SetVertexShader(IDirect3DVertexShader9* pShader) override {
        return real->SetVertexShader(pShader);
    }
    HRESULT WINAPI GetVertexShader(IDirect3DVertexShader9** ppShader) override {
        return real->GetVertexShader(ppShader);
    }
    HRESULT WINAPI SetVertexShaderConstantF(UINT reg_idx, const float* data, UINT count) override {
        return real->SetVertexShaderConstantF(reg_idx, data, count);
    }
    HRESULT WINAPI GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                            UINT Vector4fCount) override {
        return real->GetVertexShaderConstantF(StartRegister, pConstantData, Vector4fCount);
    }
    HRESULT WINAPI SetVertexShaderConstantI(UINT reg_idx, const int* data, UINT count) override {
        return real->SetVertexShaderConstantI(reg_idx, data, count);
    }
    HRESULT WINAPI GetVertexShaderConstantI(UINT StartRegister, int* pConstantData,
                                            UINT Vector4iCount) override {
        return real->GetVertexShaderConstantI(StartRegister, pConstantData, Vector4iCount);
    }
    HRESULT WINAPI SetVertexShaderConstantB(UINT reg_idx, const BOOL* data, UINT count) override {
        return real->SetVertexShaderConstantB(reg_idx, data, count);
    }
    HRESULT WINAPI GetVertexShaderConstantB(UINT StartRegister, BOOL* pConstantData,
                                            UINT BoolCount) override {
        return real->GetVertexShaderConstantB(StartRegister, pConstantData, BoolCount);
    }
    HRESULT WINAPI SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                   UINT OffsetInBytes, UINT Stride) override {
        return real->SetStreamSource(StreamNumber, pStreamData, OffsetInBytes, Stride);
    }
    HRESULT WINAPI GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                                   UINT* OffsetInBytes, UINT* pStride) override {
        return real->GetStreamSource(StreamNumber, ppStreamData, OffsetInBytes, pStride);
    }
    HRESULT WINAPI SetStreamSourceFreq(UINT StreamNumber, UINT Divider) override {
        return real->SetStreamSourceFreq(StreamNumber, Divider);
    }
    HRESULT WINAPI GetStreamSourceFreq(UINT StreamNumber, UINT* Divider) override {
        return real->GetStreamSourceFreq(StreamNumber, Divider);
    }
    HRESULT WINAPI SetIndices(IDirect3DIndexBuffer9* pIndexData) override {
        return real->SetIndices(pIndexData);
    }
    HRESULT WINAPI GetIndices(IDirect3DIndexBuffer9** ppIndexData) override {
        return real->GetIndices(ppIndexData);
    }
    HRESULT WINAPI CreatePixelShader(const DWORD* byte_code,
                                     IDirect3DPixelShader9** shader) override {
        return real->CreatePixelShader(byte_code, shader);
    }
    HRESULT WINAPI SetPixelShader(IDirect3DPixelShader9* pShader) override {
        return real->SetPixelShader(pShader);
    }
    HRESULT WINAPI GetPixelShader(IDirect3DPixelShader9** ppShader) override {
        return real->GetPixelShader(ppShader);
    }
    HRESULT WINAPI SetPixelShaderConstantF(UINT reg_idx, const float* data, UINT count) override {
        return real->SetPixelShaderConstantF(reg_idx, data, count);
    }
    HRESULT WINAPI GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                           UINT Vector4fCount) override {
        return real->GetPixelShaderConstantF(StartRegister, pConstantData, Vector4fCount);
    }
    HRESULT WINAPI SetPixelShaderConstantI(UINT reg_idx, const int* data, UINT count) override {
        return real->SetPixelShaderConstantI(reg_idx, data, count);
    }
    HRESULT WINAPI GetPixelShaderConstantI(UINT StartRegister, int* pConstantData,
                                           UINT Vector4iCount) override {
        return real->GetPixelShaderConstantI(StartRegister, pConstantData, Vector4iCount);
    }
    HRESULT WINAPI SetPixelShaderConstantB(UINT reg_idx, const BOOL* data, UINT count) override {
        return real->SetPixelShaderConstantB(reg_idx, data, count);
    }
    HRESULT WINAPI GetPixelShaderConstantB(UINT StartRegister, BOOL* pConstantData,
                                           UINT BoolCount) override {
        return real->GetPixelShaderConstantB(StartRegister, pConstantData, BoolCount);
    }
    HRESULT WINAPI DrawRectPatch(UINT handle, const float* segment_count,
                                 const D3DRECTPATCH_INFO* patch_info) override {
        return real->DrawRectPatch(handle, segment_count, patch_info);
    }
    HRESULT WINAPI DrawTriPatch(UINT handle, const float* segment_count,
                                const D3DTRIPATCH_INFO* patch_info) override {
        return real->DrawTriPatch(handle, segment_count, patch_info);
    }
    HRESULT WINAPI DeletePatch(UINT Handle) override { return real->DeletePatch(Handle); }
    HRESULT WINAPI CreateQuery(D3DQUERYTYPE Type, IDirect3DQuery9** ppQuery) override {
        return real->CreateQuery(Type, ppQuery);
    }
};
