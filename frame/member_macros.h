// Building blocks for reading frame/members.def.  Every reader includes this
// header, defines the KB_* member macros it needs, includes the table and then
// frame/member_undef.h.
//
// A parameter list in the table is a sequence of tuples
//   (passing, name, type, default...)
// which the KB_EACH_* iterators below walk one tuple at a time.
#ifndef KB_MEMBER_MACROS_H
#define KB_MEMBER_MACROS_H

#define KB_CAT(a, b) KB_CAT_I(a, b)
#define KB_CAT_I(a, b) a##b
// Expands a sequence walk, then closes it by pasting _END to its last token.
#define KB_END_SEQ(...) KB_END_SEQ_I(__VA_ARGS__)
#define KB_END_SEQ_I(...) __VA_ARGS__##_END

// C types of the table's type names.
#define KB_CT_BSTR BSTR
#define KB_CT_VARIANT VARIANT
#define KB_CT_BOOL VARIANT_BOOL
#define KB_CT_I2 short
#define KB_CT_I4 long
#define KB_CT_R4 float
#define KB_CT_R8 double
#define KB_CT_DATE DATE
#define KB_CT_DISPATCH IDispatch*
#define KB_CT_SA_VARIANT SAFEARRAY*
#define KB_CT_SA_BSTR SAFEARRAY*
#define KB_CT_EN(name) long
#define KB_PTR_KBV
#define KB_PTR_KBR *

// Whether a result is NORESULT: 1 or 0, by the usual probe (only
// KB_PROBE_NORESULT expands to two arguments).
#define KB_SECOND(a, b, ...) b
#define KB_IS_PROBE(...) KB_SECOND(__VA_ARGS__, 0, ~)
#define KB_PROBE_NORESULT ~, 1
#define KB_IS_NORESULT(r) KB_IS_PROBE(KB_CAT(KB_PROBE_, r))

// The last parameter of a member with a result: its [out, retval] slot.
#define KB_RESULT_PARAM(r) KB_CAT(KB_RP_, KB_IS_NORESULT(r))(r)
#define KB_RP_1(r)
#define KB_RP_0(r) , KB_CT_##r* kbResult
#define KB_RESULT_ARG(r) KB_CAT(KB_RA_, KB_IS_NORESULT(r))
#define KB_RA_1
#define KB_RA_0 kbResult,

// Parameter forms, as tuples.
#define KB_IN(n, T) (KBV, n, T, KB_REQUIRED)
#define KB_REF(n, T) (KBR, n, T, KB_REQUIRED)
#define KB_OPT_IN(n, T, d) (KBV, n, T, d)
#define KB_OPT_REF(n, T, d) (KBR, n, T, d)

// ", type name" for every parameter: a C parameter list after "This".
#define KB_EACH_SIG(seq) KB_END_SEQ(KB_SIG_0 seq)
#define KB_SIG_0(k, n, T, ...) , KB_CT_##T KB_PTR_##k n KB_SIG_1
#define KB_SIG_1(k, n, T, ...) , KB_CT_##T KB_PTR_##k n KB_SIG_0
#define KB_SIG_0_END
#define KB_SIG_1_END

// ", name" for every parameter: the arguments of a call.
#define KB_EACH_ARG(seq) KB_END_SEQ(KB_ARG_0 seq)
#define KB_ARG_0(k, n, T, ...) , n KB_ARG_1
#define KB_ARG_1(k, n, T, ...) , n KB_ARG_0
#define KB_ARG_0_END
#define KB_ARG_1_END

// "{name, type, by-reference, default}," for every parameter.
#define KB_EACH_META(seq) KB_END_SEQ(KB_META_0 seq)
#define KB_META_0(k, n, T, ...) {L## #n, KB_TR_##T, KB_BYREF_##k, __VA_ARGS__}, KB_META_1
#define KB_META_1(k, n, T, ...) {L## #n, KB_TR_##T, KB_BYREF_##k, __VA_ARGS__}, KB_META_0
#define KB_META_0_END
#define KB_META_1_END
#define KB_BYREF_KBV false
#define KB_BYREF_KBR true

#endif
