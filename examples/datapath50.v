// datapath50: a word-level data path of 50 eight-bit registers, the example
// of a larger design for `tarvex optimise` (Verilog, read through yosys).
//
// Register rK is loaded, depending on sel, from its feeder or from rK plus
// another register. The feeder is a primary input for every eighth register,
// the register itself for every fourth one (a loop no input reaches) and the
// previous register otherwise; every eighth register drives an output.
module datapath50(input clk, input sel, input [7:0] in0, input [7:0] in1, output [7:0] y0, output [7:0] y1, output [7:0] y2, output [7:0] y3, output [7:0] y4, output [7:0] y5, output [7:0] y6);
  reg [7:0] r0, r1, r2, r3, r4, r5, r6, r7, r8, r9, r10, r11, r12, r13, r14, r15, r16, r17, r18, r19, r20, r21, r22, r23, r24, r25, r26, r27, r28, r29, r30, r31, r32, r33, r34, r35, r36, r37, r38, r39, r40, r41, r42, r43, r44, r45, r46, r47, r48, r49;
  always @(posedge clk) begin
    r0 <= sel ? r0 + r1 : in0;
    r1 <= sel ? r1 + r8 : r0;
    r2 <= sel ? r2 + r15 : r1;
    r3 <= sel ? r3 + r22 : r3;
    r4 <= sel ? r4 + r29 : r3;
    r5 <= sel ? r5 + r36 : r4;
    r6 <= sel ? r6 + r43 : r5;
    r7 <= sel ? r7 + r0 : r7;
    r8 <= sel ? r8 + r7 : in1;
    r9 <= sel ? r9 + r14 : r8;
    r10 <= sel ? r10 + r21 : r9;
    r11 <= sel ? r11 + r28 : r11;
    r12 <= sel ? r12 + r35 : r11;
    r13 <= sel ? r13 + r42 : r12;
    r14 <= sel ? r14 + r49 : r13;
    r15 <= sel ? r15 + r6 : r15;
    r16 <= sel ? r16 + r13 : in0;
    r17 <= sel ? r17 + r20 : r16;
    r18 <= sel ? r18 + r27 : r17;
    r19 <= sel ? r19 + r34 : r19;
    r20 <= sel ? r20 + r41 : r19;
    r21 <= sel ? r21 + r48 : r20;
    r22 <= sel ? r22 + r5 : r21;
    r23 <= sel ? r23 + r12 : r23;
    r24 <= sel ? r24 + r19 : in1;
    r25 <= sel ? r25 + r26 : r24;
    r26 <= sel ? r26 + r33 : r25;
    r27 <= sel ? r27 + r40 : r27;
    r28 <= sel ? r28 + r47 : r27;
    r29 <= sel ? r29 + r4 : r28;
    r30 <= sel ? r30 + r11 : r29;
    r31 <= sel ? r31 + r18 : r31;
    r32 <= sel ? r32 + r25 : in0;
    r33 <= sel ? r33 + r32 : r32;
    r34 <= sel ? r34 + r39 : r33;
    r35 <= sel ? r35 + r46 : r35;
    r36 <= sel ? r36 + r3 : r35;
    r37 <= sel ? r37 + r10 : r36;
    r38 <= sel ? r38 + r17 : r37;
    r39 <= sel ? r39 + r24 : r39;
    r40 <= sel ? r40 + r31 : in1;
    r41 <= sel ? r41 + r38 : r40;
    r42 <= sel ? r42 + r45 : r41;
    r43 <= sel ? r43 + r2 : r43;
    r44 <= sel ? r44 + r9 : r43;
    r45 <= sel ? r45 + r16 : r44;
    r46 <= sel ? r46 + r23 : r45;
    r47 <= sel ? r47 + r30 : r47;
    r48 <= sel ? r48 + r37 : in0;
    r49 <= sel ? r49 + r44 : r48;
  end
  assign y0 = r0;
  assign y1 = r8;
  assign y2 = r16;
  assign y3 = r24;
  assign y4 = r32;
  assign y5 = r40;
  assign y6 = r48;
endmodule
