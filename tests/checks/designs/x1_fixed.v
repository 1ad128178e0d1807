// X-1 fixed: the net is driven and the case has a known default.
module x1_fixed(input [1:0] s, input [3:0] d, output y, output reg z);
  wire spare = d[3];
  assign y = d[0] & spare;
  always @*
    case (s)
      2'd0: z = d[1];
      2'd1: z = d[2];
      default: z = 1'b0;
    endcase
endmodule
