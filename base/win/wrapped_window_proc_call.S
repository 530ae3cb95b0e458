// VeltoCallWindowProcWithFilter (wrapped_window_proc.h): calls a window
// procedure inside a frame whose exception handler is
// VeltoWindowProcExceptionHandler. Written here because the compiler has
// no frame-based exception handlers of its own.
//
//   LRESULT VeltoCallWindowProcWithFilter(WNDPROC proc, HWND hwnd,
//                                         UINT message, WPARAM wparam,
//                                         LPARAM lparam);

        .text
        .globl  VeltoCallWindowProcWithFilter
        .def    VeltoCallWindowProcWithFilter; .scl 2; .type 32; .endef
        .seh_proc VeltoCallWindowProcWithFilter
VeltoCallWindowProcWithFilter:
        // The callee's four home slots; keeps the stack 16-byte aligned.
        subq    $40, %rsp
        .seh_stackalloc 40
        .seh_endprologue
        .seh_handler VeltoWindowProcExceptionHandler, @except
        movq    %rcx, %rax              // proc
        movq    %rdx, %rcx              // hwnd
        movl    %r8d, %edx              // message
        movq    %r9, %r8                // wparam
        movq    80(%rsp), %r9           // lparam, the caller's fifth slot
        call    *%rax
        // The handler resumes here, with 0 in %rax, after an exception the
        // filter chose to handle. The nop keeps the return address off the
        // epilogue, which the unwinder would take for one being run.
        nop
        addq    $40, %rsp
        ret
        .seh_endproc
