// X-1: an undriven net read by logic, and a constant x chosen by a case.
module x1_unknown(input [1:0] s, input [3:0] d, output y, output reg z);
  wire spare;
  assign y = d[0] & spare;
  always @*
    case (s)
      2'd0: z = d[1];
      2'd1: z = d[2];
      default: z = 1'bx;
    endcase
endmodule
